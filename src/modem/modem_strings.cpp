#include "modem/modem_strings.h"

CModemStrings::CModemStrings() {
    DiscoverProfile();
}

// Members are released in reverse declaration order, as for any class.
CModemStrings::~CModemStrings() = default;

// Until the registry walk exists the profile stays empty: the machine has no modem.
void CModemStrings::DiscoverProfile() {}
