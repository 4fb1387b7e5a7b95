#pragma once
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "common/clock.h"
#include "main/run_result.h"
#include "speech/speech.h"

namespace cuevoice {

// The program's own entry: answers a switch, or starts normally. Returns the exit code.
int run_main();

// The arguments after the program name, split by the Windows command-line rules.
std::vector<std::string> command_line_arguments(const wchar_t* command_line);

// Chooses the mode by the first argument and runs it.
int run_mode(const std::vector<std::string>& arguments);

// How long the process lingers after speaking an error or a stop, so the voice can finish.
std::chrono::seconds pause_after(std::size_t spoken_bytes);

// Logs and speaks the run's result, pauses on `clock` after a failure, and gives the exit code.
int finish_run(const RunResult& result, const Speech& speech, Clock& clock);

} // namespace cuevoice
