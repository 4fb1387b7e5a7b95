#include "main/run_main.h"

int main() {
    return cuevoice::run_main();
}
