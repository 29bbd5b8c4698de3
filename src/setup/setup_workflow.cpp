#include "setup/setup_workflow.h"

#include "setup/extension.h"
#include "setup/setup_rewrite.h"

#include <random>

namespace gw {

SetupReport RunSetup(const SetupRequest& request, const SetupCallbacks& callbacks) {
    SetupInputs inputs = GatherSetupInputs(request);
    std::string suggested;
    if (request.Extension) {
        suggested = *request.Extension;
    } else {
        std::mt19937 generator{std::random_device{}()};
        suggested = RandomExtension(generator);
    }
    // The whole rewrite is worked out once before anything is written, so that a directory
    // that cannot be rewritten (or an extension asked for that cannot be used) is refused as
    // it is.
    inputs.Request.Extension = suggested;
    static_cast<void>(MakeSetupPlan(inputs));

    const ProcessorDll x86 = PrepareSetupDirectory(request.SetupDir, request.DllName,
                                                   request.IconFiles, callbacks.OnProgress);
    if (callbacks.ChooseExtension) {
        inputs.Request.Extension = callbacks.ChooseExtension(suggested);
    }
    SetupReport report =
        ExecuteSetupPlan(MakeSetupPlan(inputs), callbacks.CabBuilder, callbacks.OnProgress);
    report.Dlls.insert(report.Dlls.begin(), x86);
    return report;
}

} // namespace gw
