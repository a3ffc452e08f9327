// dialbook: the telephone-book editor.
#include "phonebook/AddUnit.h"
#include "platform/ui/application.h"
#include "platform/win/application.h"

int main(int argc, char** argv) {
    kivo::ui::Application app(argc, argv);
    SetApplicationTitle("Telephone Book");
    kivo::phonebook::TAddressForm AddressForm;
    AddressForm.show();
    return app.exec();
}
