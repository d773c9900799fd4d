#include "modem/modem_strings.h"

#include "modem/profile_fields.h"
#include "modem/registry_discovery.h"
#include "modem/registry_locations.h"
#include "platform/registry.h"

CModemStrings::CModemStrings() : CModemStrings(veltrane::platform::Registry::Machine()) {}

CModemStrings::CModemStrings(const veltrane::platform::Registry& registry) {
    DiscoverProfile(registry);
}

// Members are released in reverse declaration order, as for any class.
CModemStrings::~CModemStrings() = default;

// Finds the first modem in the device tree, then reads the 35 fields in member order.
// Each read opens its own key by full path, so one that fails leaves only its own field
// empty. Nothing is reported: what cannot be read stays empty.
void CModemStrings::DiscoverProfile(const veltrane::platform::Registry& registry) {
    using namespace veltrane;
    ModemSearch search;
    FindModemDriver(registry, registry.Root(), kEnumerationRoot, search);
    if (!search.found || !search.driver) return;

    const WideString driver_key = kClassRootPrefix + *search.driver;
    const WideString settings_key = driver_key + kSettingsSubkey;
    for (const ProfileField& field : kProfileFields) {
        switch (field.source) {
            case ProfileSource::kDriverKey:
                this->*field.text = ReadRegString(registry, driver_key, field.name);
                break;
            case ProfileSource::kSettingsKey:
                this->*field.text = ReadRegString(registry, settings_key, field.name);
                break;
            case ProfileSource::kSubkey:
                this->*field.list = ReadRegStringList(registry, driver_key + u"\\" + field.name);
                break;
        }
    }
}
