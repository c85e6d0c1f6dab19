#include "console/caret.h"

#include "console/screen_state.h"
#include "console/window_state.h"

namespace console {

using platform::Os;

// The caret lies on the text baseline of the cursor cell, one cell wide.
void CaretOn() {
  const ScreenState& screen = Screen();
  Os().CreateCaret(Window().WindowHandle, nullptr, screen.CharWidth, 2);
  Os().SetCaretPos((screen.ActiveArea.left + screen.TextCursor.column) * screen.CharWidth,
                   (screen.ActiveArea.top + screen.TextCursor.row) * screen.LineHeight +
                       screen.CaretBaseline);
  Os().ShowCaret(Window().WindowHandle);
}

void CaretOff() { Os().DestroyCaret(); }

}  // namespace console
