#pragma once

namespace doubles {

// Puts every module's state back to its value at load.
void ResetAllModules();

}  // namespace doubles
