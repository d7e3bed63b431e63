#pragma once

// The moments at which the kill series end a removal: the n-th call of a system function in
// the relay ("uninstall") or in the copy doing the work ("Del").
#include "support/ProcessObserver.h"

#include <string>
#include <vector>

namespace concurrent {

// The functions whose calls make the moments of a removal, in the relay ("uninstall") and in
// the copy doing the work ("Del"); call 0.
std::vector<testsupport::StopPoint> removalFunctions();
// Every moment of a removal of the installed product, over all its stages: the long series.
std::vector<testsupport::StopPoint> removalMoments();
// Calls `first` to `last` of `function` in the process `image` names.
std::vector<testsupport::StopPoint> calls(const std::string& image, const std::string& module,
                                          const std::string& function, int first, int last);

} // namespace concurrent
