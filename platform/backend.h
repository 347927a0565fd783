// What the neutral half of the platform layer asks of a back end when it
// builds a form. Only platform/ includes this.
#pragma once

#include "forms.h"

namespace platform::backend {

// The window of a form, not yet shown, with no controls yet.
NativeForm* CreateForm(Form& form);
// One control of the form, in the order of the definition; a control whose
// parent is a picture box comes after that box.
NativeControl* CreateControl(NativeForm& window, Control& control);
// Called once every control exists: focus order, the first focus.
void FormBuilt(NativeForm& window);

}  // namespace platform::backend
