#include "simulator/Console.h"

#include <sstream>
#include <vector>

#include "platform/Numbers.h"
#include "simulator/Simulator.h"

namespace ryxsim {

namespace {

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    std::string w;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!w.empty()) words.push_back(std::move(w));
            w.clear();
        } else {
            w.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        }
    }
    if (!w.empty()) words.push_back(std::move(w));
    return words;
}

bool OnOff(const std::string& word, bool& value) {
    if (word == "on") return value = true, true;
    if (word == "off") return value = false, true;
    return false;
}

bool Count(const std::string& word, long long max, long long& value) {
    return platform::ParseLong(word, value) && value >= 0 && value <= max;
}

std::string Status(Simulator& sim) {
    const ModelState s = sim.State();
    const Faults f = sim.GetFaults();
    std::ostringstream out;
    out << platform::FormatC("time %.1f s (scale %g), firmware %s\n", s.time, sim.TimeScale(),
                             sim.Firmware().c_str());
    out << platform::FormatC("bath %.2f degC, set-point %.2f degC, control %c\n", s.bath, s.setPoint,
                             s.control);
    out << platform::FormatC("%s, switch at %s, test load %s, platform %s\n", s.remote ? "remote" : "local",
                             s.loadSwitch ? "load" : "zero", s.testLoad ? "on" : "off",
                             s.lifted ? "lifted" : "down");
    out << platform::FormatC("beam %s, gage block %s, masses %d g, contact load %.1f mN\n", BeamName(s.beam),
                             GageName(s.gage), s.massGrams, s.contactLoad);
    out << platform::FormatC("force %.1f mN, shaft %.4f mm below Red\n", s.force, s.position);
    out << platform::FormatC(
        "faults: silent %s, delay %u ms, corrupt %d, drop %d, lowercase %s, junk %s, autoframes %s\n",
        f.silent ? "on" : "off", f.replyDelayMs, f.corruptFrames, f.dropFrames, f.lowerCaseHex ? "on" : "off",
        f.junk ? "on" : "off", f.autoFramesStopped ? "off" : "on");
    return out.str();
}

std::string Fault(Simulator& sim, const std::vector<std::string>& w) {
    if (w.size() == 2 && w[1] == "clear") {
        sim.ClearFaults();
        return "ok\n";
    }
    if (w.size() != 3) return "error: fault needs a kind and a value (see help)\n";
    bool on = false;
    long long n = 0;
    if (w[1] == "silent" && OnOff(w[2], on)) {
        sim.SetSilent(on);
    } else if (w[1] == "lowercase" && OnOff(w[2], on)) {
        sim.SetLowerCaseHex(on);
    } else if (w[1] == "junk" && OnOff(w[2], on)) {
        sim.SetJunk(on);
    } else if (w[1] == "autoframes" && OnOff(w[2], on)) {
        sim.SetAutoFramesStopped(!on);
    } else if (w[1] == "delay" && Count(w[2], 600000, n)) {
        sim.SetReplyDelay(static_cast<uint32_t>(n));
    } else if (w[1] == "corrupt" && Count(w[2], 1000000, n)) {
        sim.CorruptFrames(static_cast<int>(n));
    } else if (w[1] == "drop" && Count(w[2], 1000000, n)) {
        sim.DropBytes(static_cast<int>(n));
    } else {
        return "error: unknown fault or bad value \"" + w[1] + " " + w[2] + "\" (see help)\n";
    }
    return "ok\n";
}

}  // namespace

std::string ConsoleHelp() {
    return "help                          this list\n"
           "status                        bath, load frame, switches and faults\n"
           "beam none|binder|thin|thick   put a beam on the supports (none: take it off)\n"
           "flip                          turn the beam over (it is seated afresh)\n"
           "gage none|top|red|white|blue  place the gage block at a level (none: take it out)\n"
           "mass add|remove 2|4|100       put a mass on the loading platform or take it off\n"
           "mass clear                    take every mass off\n"
           "contact MN                    set the contact load (Zero Regulator), -500 to 500 mN\n"
           "remote | local                the Remote/Local switch\n"
           "switch zero|load              the Zero/Load switch\n"
           "lift | drop                   lift the loading platform, let it fall back\n"
           "bath DEGC                     put the bath at a temperature at once (-45 to 60)\n"
           "fault silent on|off           answer nothing at all (a dead line)\n"
           "fault delay MS                act on each command MS ms late (0: off)\n"
           "fault corrupt N               damage one byte of each of the next N frames\n"
           "fault drop N                  leave one byte out of each of the next N frames\n"
           "fault lowercase on|off        data frames in lower-case hex\n"
           "fault junk on|off             stray bytes between frames, continuously\n"
           "fault autoframes on|off       off: no data frames of its own during a load\n"
           "fault clear                   no faults\n"
           "quit                          end the simulator\n";
}

std::string RunConsoleCommand(Simulator& sim, std::string_view line, bool& quit) {
    const std::vector<std::string> w = Words(line);
    if (w.empty()) return "";
    const std::string& c = w[0];
    double value = 0;
    if (c == "help" && w.size() == 1) return ConsoleHelp();
    if (c == "status" && w.size() == 1) return Status(sim);
    if (c == "quit" && w.size() == 1) {
        quit = true;
        return "ok\n";
    }
    if (c == "beam" && w.size() == 2) {
        static const std::pair<const char*, BeamKind> kinds[] = {{"none", BeamKind::kNone},
                                                                 {"binder", BeamKind::kBinder},
                                                                 {"thin", BeamKind::kThinSteel},
                                                                 {"thick", BeamKind::kThickSteel}};
        for (const auto& [name, kind] : kinds)
            if (w[1] == name) return sim.InsertBeam(kind), "ok\n";
        return "error: beam is none, binder, thin or thick\n";
    }
    if (c == "flip" && w.size() == 1) {
        if (sim.State().beam == BeamKind::kNone) return "error: there is no beam to flip\n";
        sim.FlipBeam();
        return "ok\n";
    }
    if (c == "gage" && w.size() == 2) {
        static const std::pair<const char*, GageLevel> levels[] = {{"none", GageLevel::kNone},
                                                                   {"top", GageLevel::kTop},
                                                                   {"red", GageLevel::kRed},
                                                                   {"white", GageLevel::kWhite},
                                                                   {"blue", GageLevel::kBlue}};
        for (const auto& [name, level] : levels)
            if (w[1] == name) return sim.PlaceGageBlock(level), "ok\n";
        return "error: gage level is none, top, red, white or blue\n";
    }
    if (c == "mass") {
        if (w.size() == 2 && w[1] == "clear") return sim.RemoveAllMasses(), "ok\n";
        long long g = 0;
        if (w.size() == 3 && (w[1] == "add" || w[1] == "remove") && platform::ParseLong(w[2], g) &&
            (g == 2 || g == 4 || g == 100)) {
            if (w[1] == "add")
                return sim.AddMass(static_cast<int>(g)) ? "ok\n" : "error: the platform is full\n";
            return sim.RemoveMass(static_cast<int>(g))
                       ? "ok\n"
                       : "error: there is not that much mass on the platform\n";
        }
        return "error: mass add|remove 2|4|100, or mass clear\n";
    }
    if (c == "contact" && w.size() == 2) {
        if (!platform::ParseDoubleC(w[1], value) || value < -500 || value > 500)
            return "error: contact load is a number of mN from -500 to 500\n";
        sim.SetContactLoad(value);
        return "ok\n";
    }
    if ((c == "remote" || c == "local") && w.size() == 1) return sim.SetRemote(c == "remote"), "ok\n";
    if (c == "switch" && w.size() == 2 && (w[1] == "zero" || w[1] == "load"))
        return sim.SetLoadSwitch(w[1] == "load"), "ok\n";
    if ((c == "lift" || c == "drop") && w.size() == 1) return sim.SetLifted(c == "lift"), "ok\n";
    if (c == "bath" && w.size() == 2) {
        if (!platform::ParseDoubleC(w[1], value) || value < -45 || value > 60)
            return "error: bath temperature is a number of degC from -45 to 60\n";
        sim.SetBathTemperature(value);
        return "ok\n";
    }
    if (c == "fault") return Fault(sim, w);
    return "error: unknown command or wrong arguments \"" + std::string(line.substr(0, 60)) +
           "\"; type help for the list\n";
}

std::string UsageText() {
    return "Usage: ryx-sim [--config-dir DIR] [--alias COMn] [--time-scale N] [--firmware X.XXX] [--seed N]\n"
           "       ryx-sim --write-settings FILE [--data-dir DIR] [--alias COMn]\n"
           "\n"
           "Simulates the bending beam rheometer on a pseudo-terminal. Prints the device path\n"
           "as its first line, publishes it as DIR/ports/comN (DIR: --config-dir, else\n"
           "$RYX_CONFIG_DIR, else ~/.config/TarvokInstrument), then takes commands on its\n"
           "standard input (type help) until the input ends, quit, SIGINT or SIGTERM, and\n"
           "removes the alias it made.\n"
           "\n"
           "  --config-dir DIR    configuration folder to publish the port alias in\n"
           "  --alias COMn        the alias, COM1 to COM4 (default COM1)\n"
           "  --time-scale N      run the bath, the beam and the load's own frames N times\n"
           "                      faster than real time, 1 to 100 (default 1)\n"
           "  --firmware X.XXX    firmware version the instrument reports, five characters\n"
           "                      of digits and '.'; below 2 the temperature goes out as\n"
           "                      thermistor counts (default 2.000)\n"
           "  --seed N            seed of the measurement noise (default 1)\n"
           "  --write-settings FILE  write a settings hive calibrated to this simulator\n"
           "                      (port COMn, data folder --data-dir, default FILE's folder\n"
           "                      + /data) and exit\n"
           "  --help              this text\n";
}

}  // namespace ryxsim
