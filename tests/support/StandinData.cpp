#include "support/StandinData.h"

#include "support/RecordingPrompter.h"

namespace orv::test {

TGameData& StandinGameData() {
    static RecordingPrompter prompter;
    static TGameData* data = [] {
        auto* loaded = new TGameData(prompter);
        StartupOptions options;
        options.standinOnly = true;
        options.programDir = options.configDir = std::filesystem::temp_directory_path() / "orvistad-none";
        loaded->Load(options);
        return loaded;
    }();
    return *data;
}

} // namespace orv::test
