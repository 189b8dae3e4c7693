#include "host/src/commands/HostCommands.h"

#include "host/src/ui/UiCommands.h"

namespace vexa_host {

void registerHostCommands(CommandEngine& engine) {
    registerBuiltinCommands(engine);
    registerUiCommands(engine);
    registerPreferenceCommands(engine);
    registerSceneCommands(engine);
    registerCameraCommands(engine);
    registerShadingCommands(engine);
    registerDeformerCommands(engine);
    registerFixtureCommands(engine);
}

}  // namespace vexa_host
