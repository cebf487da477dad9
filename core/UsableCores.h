#pragma once

// The cores this process may run on: the machine's, limited by its CPU
// affinity mask; at least 1.
int UsableCores();
