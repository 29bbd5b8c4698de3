#pragma once

#include "dll/pe_format.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gw {

// One build target: a Windows CE processor and the PE machine value its DLLs carry.
struct TargetMachine {
    int index;            // position in the table, 0 to 5
    const char* name;     // "X86", used for default file names and messages
    const char* suffix;   // ".X86", appended to the chosen name by the all-targets build
    std::int32_t machine; // the PE/COFF machine value
};

inline constexpr std::array<TargetMachine, 6> kTargetMachines = {{
    {0, "X86", ".X86", pe::kMachineI386},
    {1, "MIPS", ".MIPS", pe::kMachineR4000},
    {2, "SH3", ".SH3", pe::kMachineSh3},
    {3, "SH4", ".SH4", pe::kMachineSh4},
    {4, "ARM", ".ARM", pe::kMachineArm},
    {5, "PPC", ".PPC", pe::kMachinePowerPc},
}};

// The machine value of the X86 target (Windows CE emulation on a PC), the first of the table
// and the one chosen when nothing else is.
inline constexpr std::int32_t kMachineX86 = kTargetMachines[0].machine;

// A Windows CE processor type (the "ProcessorType" of a CEDevice section of a setup INF) and
// the machine value of the icon DLL for it.
struct ProcessorTypeMachine {
    std::int64_t ProcessorType;
    std::int32_t Machine;
};

inline constexpr std::array<ProcessorTypeMachine, 7> kProcessorTypeMachines = {{
    {486, pe::kMachineI386},    // Intel 486
    {821, pe::kMachinePowerPc}, // PowerPC 821
    {1824, pe::kMachineArm},    // ARM 720
    {2577, pe::kMachineArm},    // StrongARM
    {4000, pe::kMachineR4000},  // MIPS R4000
    {10003, pe::kMachineSh3},   // Hitachi SH3
    {10005, pe::kMachineSh4},   // Hitachi SH4
}};

// The target whose name matches, in any case ("x86", "Mips").
[[nodiscard]] std::optional<TargetMachine> TargetByName(std::string_view name);

// The target with this machine value.
[[nodiscard]] std::optional<TargetMachine> TargetByMachine(std::int32_t machine);

// The target's name for a machine value; empty for a value not in the table.
[[nodiscard]] std::string TargetName(std::int32_t machine);

// The machine value of the icon DLL for a Windows CE processor type; nothing for a type
// without one.
[[nodiscard]] std::optional<std::int32_t> MachineForProcessorType(std::int64_t processorType);

} // namespace gw
