#pragma once
#include <QString>
#include <cstdint>

namespace velumbra {

// The memory figures of the resources window, in bytes.
struct MemoryStatus {
    int memoryLoad = 0; // percent of physical memory in use
    uint64_t totalPhys = 0;
    uint64_t availPhys = 0;
    uint64_t totalPageFile = 0; // swap stands for the paging space
    uint64_t availPageFile = 0;
    uint64_t totalVirtual = 0; // the process's address space
    uint64_t availVirtual = 0;
};

// Parses the text of /proc/meminfo and the VmSize line of /proc/self/status.
MemoryStatus parseMemoryStatus(const QString& meminfo, const QString& selfStatus);
// Reads the figures of this machine and process.
MemoryStatus readMemoryStatus();
// Resident set size of this process in kilobytes (VmRSS), 0 when unknown.
uint64_t residentKilobytes();

} // namespace velumbra
