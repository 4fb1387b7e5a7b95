#include "main/run_callbacks.h"

#include "actions/editor_run.h"
#include "common/threads.h"
#include "config/key_map.h"
#include "editor/key_editor.h"
#include "hotkeys/hotkeys.h"

namespace cuevoice {

RunFunctionById make_run_function_by_id(WeakContext context, std::uint32_t mixxx_process_id) {
    return [context = std::move(context), mixxx_process_id](const std::string& function_id) {
        SharedContext strong = context.lock();
        if (!strong)
            return;
        std::optional<BoundAction> bound = action_for_function_id(function_id);
        if (!bound)
            return;
        auto shared = std::make_shared<const BoundAction>(std::move(*bound));
        spawn_detached([strong = std::move(strong), shared = std::move(shared), mixxx_process_id] {
            run_editor_function(strong, shared, mixxx_process_id);
        });
    };
}

std::shared_ptr<EditorHooks> install_run_callbacks(const SharedContext& context,
                                                   std::uint32_t mixxx_process_id,
                                                   const std::filesystem::path& settings_path) {
    WeakContext weak = context;
    auto hooks = std::make_shared<EditorHooks>();
    hooks->speech = context->speech;
    hooks->run = make_run_function_by_id(weak, mixxx_process_id);
    hooks->reload = [settings_path] { reload_keys(settings_path); };
    std::function<void()> opener = [hooks] { open_key_editor(hooks); };
    std::lock_guard lock(context->editor_opener.mutex);
    context->editor_opener.value = std::move(opener);
    return hooks;
}

} // namespace cuevoice
