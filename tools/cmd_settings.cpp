// xrddata settings [show | set NAME VALUE | reset]: the eleven processing defaults kept in the settings store.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "parts/defaults.h"
#include "safeout.h"
#include "tool.h"
#include "xrddata/platform/registry.h"
#include "xrddata/platform/strutil.h"

namespace tool {
namespace {

// Where the user's store lives (the rule of the settings store).
std::string StoreLocation() {
    if (const char* p = std::getenv("XRDDATA_USER_REGISTRY"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/xrddata/user.reg";
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/xrddata/user.reg";
    return "(no location: neither XRDDATA_USER_REGISTRY nor HOME is set)";
}

bool Show(const ProcessingDefaults& d, bool json) {
    std::string out;
    if (json) {
        nlohmann::ordered_json o;
        for (const CString& name : ProcessingSettingNames()) o[name] = std::stod(GetSetting(d, name));
        out = o.dump() + "\n";
    } else {
        for (const CString& name : ProcessingSettingNames())
            out += Format("%-17s %s\n", name.c_str(), GetSetting(d, name).c_str());
        out += "# kept in " + StoreLocation() + "\n";
    }
    return PrintAll(out);
}

}  // namespace

Runner AddSettings(CLI::App& app) {
    struct Options {
        std::string name, value;
        bool json = false;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("settings", "Show, set or reset the stored processing defaults");
    cmd->require_subcommand(0, 1);
    CLI::App* show = cmd->add_subcommand("show", "List the eleven defaults (the default action)");
    show->add_flag("--json", o->json, "One JSON object");
    CLI::App* set = cmd->add_subcommand("set", "Store one default: NAME VALUE");
    set->add_option("name", o->name, "BackgroundLength, BackgroundScale, AutoWidth, WidthType, FixedWidth, U, V, "
                                     "W, CountType, ScaleFactor or Esds (case ignored)")
        ->required();
    set->add_option("value", o->value, "The new value")->required();
    CLI::App* reset = cmd->add_subcommand("reset", "Store the factory values");
    return [o, set, reset]() {
        if (*set) {
            // Read, change and write back the eleven in one transaction under the store's lock, so that runs
            // setting other values at the same time lose none of them.
            ProcessingDefaults d;
            LONG committed = ERROR_SUCCESS;
            {
                CRegistryTransaction tx;
                d = LoadUserDefaults();
                try {
                    SetSetting(d, o->name, o->value);
                } catch (const std::invalid_argument& e) {
                    tx.Rollback();
                    throw UsageError{e.what()};
                }
                SaveUserDefaults(d);
                committed = tx.Commit();
            }
            const ProcessingDefaults now = LoadUserDefaults();
            if (committed != ERROR_SUCCESS || GetSetting(now, o->name) != GetSetting(d, o->name)) {
                ToolUi::Report("error", "the settings store could not be written (" + StoreLocation() + ")");
                return kFailed;
            }
            return Show(now, false) ? kOk : kFailed;
        } else if (*reset) {
            SaveUserDefaults(FactoryDefaults());
            return Show(LoadUserDefaults(), false) ? kOk : kFailed;
        }
        return Show(LoadUserDefaults(), o->json) ? kOk : kFailed;
    };
}

}  // namespace tool
