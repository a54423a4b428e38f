#include "select/path_guard.h"

namespace mirelo {

bool ConfirmToolOptionChange(Editor&, int, int) { return true; }

}  // namespace mirelo
