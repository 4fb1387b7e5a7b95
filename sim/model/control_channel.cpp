#include "control_channel.h"

#include "scenario.h"

namespace mixxxsim {

using nlohmann::json;

namespace {

std::string hex_bytes(const std::string& hex, bool& ok) {
    std::string out;
    int high = -1;
    ok = true;
    for (char c : hex) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c == ' ')
            continue;
        else
            return ok = false, out;
        if (high < 0) {
            high = v;
        } else {
            out += static_cast<char>(high * 16 + v);
            high = -1;
        }
    }
    ok = high < 0;
    return out;
}

} // namespace

namespace {

ControlResult handle_checked(const json& request, Simulation& sim, const ControlHooks& hooks) {
    ControlResult result;
    json reply = {{"ok", true}};
    if (request.contains("id"))
        reply["id"] = request["id"];
    auto fail = [&](const std::string& text) {
        reply["ok"] = false;
        reply["error"] = text;
        result.reply = reply;
        return result;
    };
    auto text = [&](const char* name) -> std::string {
        auto it = request.find(name);
        return it != request.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    std::string cmd = text("cmd");
    MixxxModel& model = sim.model;

    if (cmd == "get" || cmd == "set") {
        std::string group = text("group"), key = text("key");
        std::string prop = request.contains("prop") ? text("prop") : "value";
        Outcome outcome;
        if (cmd == "get") {
            outcome = model.get(group, key, prop);
        } else {
            auto value = request.find("value");
            if (value == request.end() || !value->is_number())
                return fail("value is not a number");
            outcome = model.set_from_outside(group, key, prop, value->get<double>());
        }
        if (auto* error = std::get_if<std::string>(&outcome))
            return fail(*error);
        reply["value"] = std::get<double>(outcome);
    } else if (cmd == "press") {
        // A button pressed and let go, as at a controller.
        std::string group = text("group"), key = text("key");
        Outcome down = model.set_from_outside(group, key, "value", 1.0);
        if (auto* error = std::get_if<std::string>(&down))
            return fail(*error);
        model.set_from_outside(group, key, "value", 0.0);
    } else if (cmd == "scenario") {
        auto it = request.find("scenario");
        if (it == request.end())
            return fail("missing scenario");
        if (auto error =
                apply_scenario(*it, model, sim.clock_running, request.value("reset", false)))
            return fail(*error);
    } else if (cmd == "library") {
        json scenario = {{"library", request.value("tracks", json::array())}};
        if (request.contains("selected"))
            scenario["selected"] = request["selected"];
        if (auto error = apply_scenario(scenario, model, sim.clock_running))
            return fail(*error);
    } else if (cmd == "select") {
        auto row = request.find("row");
        if (row == request.end() || !is_count(*row) || !model.select_row(row->get<std::uint64_t>()))
            return fail("row is not a library row (1-based, 0 for none)");
    } else if (cmd == "load") {
        auto row = request.find("row");
        if (row == request.end() || !is_count(*row))
            return fail("row is not a library row");
        if (auto error = model.load_row(text("group"), row->get<std::uint64_t>()))
            return fail(*error);
    } else if (cmd == "selected") {
        SelectedTrack track = model.selected_track();
        reply["row"] = track.row;
        reply["rows"] = track.rows;
        reply["autodj_queue"] = model.autodj_queue();
    } else if (cmd == "advance") {
        auto seconds = request.find("seconds");
        if (seconds == request.end() || !seconds->is_number() || seconds->get<double>() < 0)
            return fail("seconds is not a number of at least 0");
        // Steps of a tenth of a second, as the ticks of a running clock would make.
        double left = seconds->get<double>();
        while (left > 0) {
            double step = std::min(left, 0.1);
            model.advance(step);
            left -= step;
        }
        reply["clock"] = model.clock();
    } else if (cmd == "clock") {
        auto running = request.find("running");
        if (running == request.end() || !running->is_boolean())
            return fail("running is not true or false");
        sim.clock_running = running->get<bool>();
    } else if (cmd == "fault") {
        std::string mode = text("mode");
        if (mode == "none") {
            sim.faults.clear();
        } else {
            auto parsed = parse_fault_mode(mode);
            if (!parsed)
                return fail("unknown fault mode '" + mode + "'");
            Fault fault;
            fault.mode = *parsed;
            if (request.contains("request"))
                fault.command = text("request");
            if (request.contains("error"))
                fault.error = text("error");
            fault.group = text("group");
            fault.key = text("key");
            if (request.contains("text"))
                fault.text = text("text");
            fault.delay_ms = request.value("ms", 0);
            fault.size = request.value("size", static_cast<std::size_t>(1) << 20);
            fault.times = request.value("times", -1);
            if (fault.times == 0)
                return fail("times is -1 (always) or at least 1");
            sim.faults.add(fault);
        }
        reply["faults"] = sim.faults.size();
    } else if (cmd == "inject") {
        std::string bytes;
        if (request.contains("hex")) {
            bool ok = false;
            bytes = hex_bytes(text("hex"), ok);
            if (!ok)
                return fail("hex holds something other than pairs of hexadecimal digits");
        } else if (request.contains("line")) {
            bytes = json_line(request["line"]);
            bytes.pop_back();
        } else {
            bytes = text("text");
        }
        std::size_t repeat = request.value("repeat", static_cast<std::size_t>(1));
        std::string all;
        all.reserve(bytes.size() * repeat + 1);
        for (std::size_t i = 0; i < repeat; ++i)
            all += bytes;
        if (request.value("newline", true))
            all += "\n";
        if (hooks.inject)
            result.after.push_back([inject = hooks.inject, all] { inject(all); });
    } else if (cmd == "drop") {
        if (hooks.drop)
            result.after.push_back(hooks.drop);
    } else if (cmd == "quit") {
        int code = request.value("code", 0);
        bool abrupt = request.value("abrupt", false);
        if (hooks.quit)
            result.after.push_back([quit = hooks.quit, code, abrupt] { quit(code, abrupt); });
    } else if (cmd == "requests") {
        reply["requests"] = json::array();
        for (const std::string& line : sim.requests)
            reply["requests"].push_back(line);
        reply["times"] = sim.request_times;
        if (request.value("clear", false)) {
            sim.requests.clear();
            sim.request_times.clear();
        }
    } else if (cmd == "log") {
        reply["log"] = sim.log;
    } else if (cmd == "status") {
        reply["clock"] = model.clock();
        reply["clock_running"] = sim.clock_running;
        if (hooks.status)
            reply.update(hooks.status());
    } else {
        return fail("unknown command '" + cmd + "'");
    }
    result.reply = reply;
    return result;
}

} // namespace

ControlResult handle_control(const json& request, Simulation& sim, const ControlHooks& hooks) {
    try {
        return handle_checked(request, sim, hooks);
    } catch (const std::exception& e) {
        // A member of the wrong type ("times": "often"): the request is refused, nothing else.
        ControlResult result;
        result.reply = {{"ok", false}, {"error", std::string("bad request: ") + e.what()}};
        if (request.is_object() && request.contains("id"))
            result.reply["id"] = request["id"];
        return result;
    }
}

} // namespace mixxxsim
