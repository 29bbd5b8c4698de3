#include "dll/target_machine.h"

#include "common/text.h"

#include <algorithm>
#include <cctype>

namespace gw {

std::optional<TargetMachine> TargetByName(std::string_view name) {
    for (const TargetMachine& target : kTargetMachines) {
        const std::string_view candidate = target.name;
        if (EqualNoCase(candidate, name)) {
            return target;
        }
    }
    return std::nullopt;
}

std::optional<TargetMachine> TargetByMachine(std::int32_t machine) {
    for (const TargetMachine& target : kTargetMachines) {
        if (target.machine == machine) {
            return target;
        }
    }
    return std::nullopt;
}

std::string TargetName(std::int32_t machine) {
    const auto target = TargetByMachine(machine);
    return target ? target->name : "";
}

std::optional<std::int32_t> MachineForProcessorType(std::int64_t processorType) {
    for (const ProcessorTypeMachine& entry : kProcessorTypeMachines) {
        if (entry.ProcessorType == processorType) {
            return entry.Machine;
        }
    }
    return std::nullopt;
}

} // namespace gw
