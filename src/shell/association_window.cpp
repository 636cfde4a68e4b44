#include "shell/association_window.h"

#include "forms/forms.h"

namespace vela {

// The window opens without the rights check or the saved choices for now:
// associating file types is not wired yet.
void OnAssociationWindowCreated() { forms::SetInt(forms::Ctl::AssociationWindow, forms::prop::Visible, 1); }
void OnSelectAllClicked() {}
void OnAssociateClicked() {}
void OnUnassociateClicked() {}

}  // namespace vela
