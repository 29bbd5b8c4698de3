#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gw {

// One build target: a Windows CE processor and the PE machine value its DLLs carry.
struct TargetMachine {
    int index;               // position in the table, 0 to 5
    const char* name;        // "X86", used for default file names and messages
    const char* suffix;      // ".X86", appended to the chosen name by the all-targets build
    std::int32_t machine;    // the PE/COFF machine value
};

inline constexpr std::array<TargetMachine, 6> kTargetMachines = {{
    {0, "X86", ".X86", 0x014C},
    {1, "MIPS", ".MIPS", 0x0166},
    {2, "SH3", ".SH3", 0x01A2},
    {3, "SH4", ".SH4", 0x01A6},
    {4, "ARM", ".ARM", 0x01C0},
    {5, "PPC", ".PPC", 0x01F0},
}};

// The target whose name matches, in any case ("x86", "Mips").
std::optional<TargetMachine> TargetByName(std::string_view name);

// The target with this machine value.
std::optional<TargetMachine> TargetByMachine(std::int32_t machine);

// The target's name for a machine value; empty for a value not in the table.
std::string TargetName(std::int32_t machine);

} // namespace gw
