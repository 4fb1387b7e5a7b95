#include "actions/deck_actions.h"

#include <string>

#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "context/track_text.h"

namespace cuevoice {

Result<void> select_deck(Context& context, const SelectDeckAction& action) {
    context.deck.store(action.deck);
    const std::string number = std::to_string(action.deck);
    Result<double> loaded =
        get(*context.bridge, "[Channel" + number + "]", "track_loaded", "value");
    if (!loaded)
        return Error{loaded.error()};
    std::string text = *loaded != 0 ? track_text(context, action.deck).value_or("") : "empty";
    say(context.speech, "Deck " + number + ". " + text);
    return {};
}

} // namespace cuevoice
