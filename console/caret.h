// The caret while ReadKey waits with the focus: a bar one cell wide on the
// text baseline of the cursor cell.
#pragma once

namespace console {

void CaretOn();
void CaretOff();

}  // namespace console
