#include "ui/controls/button.h"

namespace ui {

template class ButtonTemplate<Control>;
template class ButtonTemplate<Box>;

}  // namespace ui
