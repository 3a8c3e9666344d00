#pragma once
// What the benchmarks print of the process's memory.
#include <malloc.h>
#include <unistd.h>

#include <cstdio>

namespace korvel::benchmark {

// Resident set size in MB (10^6 bytes).
inline double residentMb()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Bytes the heap has handed out and not got back (small blocks and mapped ones), in MB.
inline double heapInUseMb()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / 1e6;
}

} // namespace korvel::benchmark
