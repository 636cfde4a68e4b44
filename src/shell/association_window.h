#pragma once
// AssociationWindow's handlers.
namespace vela {

void OnAssociationWindowCreated();
void OnSelectAllClicked();
void OnAssociateClicked();
void OnUnassociateClicked();

}  // namespace vela
