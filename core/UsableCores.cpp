#include "UsableCores.h"

#include <algorithm>
#include <sched.h>
#include <thread>

int UsableCores() {
    const int machine = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) != 0) {
        return machine;
    }
    return std::clamp(CPU_COUNT(&set), 1, machine);
}
