#include "platform/Form.h"

namespace vorn::platform {

// No windowing system here: nothing is shown.
int TForm::ShowModal() {
  ModalResult = mrNone;
  return mrNone;
}

}  // namespace vorn::platform
