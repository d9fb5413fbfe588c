// A form held by the designer, for the form-file target. Its own file: the
// visual library's font styles and the test classes' share their names.
#include "design_form.h"

#include "vcl/Forms.h"

std::unique_ptr<TComponent> NewDesignForm() {
  auto Form = std::make_unique<TForm>(nullptr);
  Form->SetDesigning(true);
  return Form;
}
