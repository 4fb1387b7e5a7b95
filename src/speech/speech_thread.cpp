#include "speech/speech_thread.h"

#include <cstdio>
#include <utility>

#include <windows.h>
#include <objbase.h>
#include <sapi.h>

#include "applog/applog.h"
#include "common/checkout_folder.h"
#include "common/files.h"
#include "common/program_folder.h"
#include "common/stage_stamps.h"
#include "common/text.h"
#include "common/win_handle.h"

namespace cuevoice {
namespace {

// SpVoice and ISpVoice, written out so no import library is needed for them.
constexpr CLSID spvoice_clsid = {
    0x96749377, 0x3391, 0x11D2, {0x9E, 0xE3, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
constexpr IID ispvoice_iid = {
    0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};

constexpr DWORD speak_async = 1;
constexpr DWORD speak_purge_before = 2;

using TestIfRunning = long(__stdcall*)();
using SpeakText = long(__stdcall*)(const wchar_t*);
using CancelSpeech = long(__stdcall*)();

struct Nvda {
    UniqueLibrary library;
    TestIfRunning test_if_running = nullptr;
    SpeakText speak_text = nullptr;
    CancelSpeech cancel_speech = nullptr;

    bool running() const { return library && test_if_running() == 0; }
};

// The first candidate that loads decides: an incomplete library disables NVDA entirely.
Nvda load_nvda(const std::optional<std::filesystem::path>& folder) {
    Nvda nvda;
    if (!folder)
        return nvda;
    for (const auto& candidate : nvda_candidates(*folder)) {
        if (!path_exists(candidate))
            continue;
        DWORD old_mode = 0;
        SetThreadErrorMode(SEM_FAILCRITICALERRORS, &old_mode);
        UniqueLibrary library(LoadLibraryExW(candidate.c_str(), nullptr, 0));
        if (old_mode != SEM_FAILCRITICALERRORS)
            SetThreadErrorMode(old_mode, nullptr);
        if (!library)
            continue;
        auto test = GetProcAddress(library.get(), "nvdaController_testIfRunning");
        auto speak = GetProcAddress(library.get(), "nvdaController_speakText");
        auto cancel = GetProcAddress(library.get(), "nvdaController_cancelSpeech");
        if (test == nullptr || speak == nullptr || cancel == nullptr)
            return nvda;
        nvda.library = std::move(library);
        nvda.test_if_running = reinterpret_cast<TestIfRunning>(reinterpret_cast<void*>(test));
        nvda.speak_text = reinterpret_cast<SpeakText>(reinterpret_cast<void*>(speak));
        nvda.cancel_speech = reinterpret_cast<CancelSpeech>(reinterpret_cast<void*>(cancel));
        return nvda;
    }
    return nvda;
}

class Voices {
public:
    explicit Voices(Nvda nvda) : nvda_(std::move(nvda)) {}

    void speak(const Say& message) {
        std::wstring text = to_wide(message.text);
        if (nvda_.running()) {
            if (message.interrupt)
                nvda_.cancel_speech();
            nvda_.speak_text(text.c_str());
            return;
        }
        if (!voice_ && !create_voice())
            return;
        // Failures of the voice itself are not reported: the text is simply not heard.
        voice_->Speak(text.c_str(), speak_async | (message.interrupt ? speak_purge_before : 0),
                      nullptr);
    }

    void stop() {
        if (nvda_.running()) {
            nvda_.cancel_speech();
            return;
        }
        if (voice_)
            voice_->Speak(nullptr, speak_purge_before, nullptr);
    }

private:
    bool create_voice() {
        void* object = nullptr;
        HRESULT result =
            CoCreateInstance(spvoice_clsid, nullptr, CLSCTX_ALL, ispvoice_iid, &object);
        if (SUCCEEDED(result) && object == nullptr)
            result = E_POINTER;
        if (FAILED(result)) {
            app_log("SAPI unavailable: " + hresult_description(result));
            return false;
        }
        voice_.reset(static_cast<ISpVoice*>(object));
        return true;
    }

    // The voice goes before the library; both go before the thread leaves its apartment.
    Nvda nvda_;
    ComPtr<ISpVoice> voice_;
};

} // namespace

std::string hresult_description(long result) {
    char code[32];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
    std::string message = system_message(static_cast<unsigned long>(result));
    if (message.empty())
        return code;
    return message + " (" + code + ")";
}

std::vector<std::filesystem::path> nvda_candidates(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> candidates{folder / L"nvdaControllerClient.dll"};
    if (auto checkout = checkout_folder(folder, 2))
        candidates.push_back(*checkout / L"vendor" / L"nvda" / L"nvdaControllerClient.dll");
    return candidates;
}

void speech_thread(Receiver<SpeechMessage> receiver) {
    speech_thread_in(std::move(receiver), program_folder());
}

void speech_thread_in(Receiver<SpeechMessage> receiver,
                      const std::optional<std::filesystem::path>& folder) {
    ComApartment apartment(COINIT_MULTITHREADED);
    Voices voices(load_nvda(folder));
    while (auto message = receiver.recv()) {
        stamp_stage(Stage::speech_taken);
        if (const Say* text = std::get_if<Say>(&*message))
            voices.speak(*text);
        else
            voices.stop();
    }
    receiver.close();
}

} // namespace cuevoice
