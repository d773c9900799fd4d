// CModemStrings: the voice command profile of the installed voice modem, as the modem's
// driver registration keeps it in the registry. Filled once by the constructor, read-only
// afterwards; the members bear the registry names and are declared in the order in which
// discovery fills them.
#pragma once

#include "common/wide.h"

namespace veltrane::platform {
class Registry;
}

class CModemStrings {
  public:
    using WideString = veltrane::WideString;
    using StringList = veltrane::StringList;

    // Builds every member empty, then runs the registry discovery to its end on the
    // machine's registry.
    CModemStrings();
    // The same on a given registry (tests, benchmarks).
    explicit CModemStrings(const veltrane::platform::Registry& registry);
    virtual ~CModemStrings();

    CModemStrings(const CModemStrings&) = delete;
    CModemStrings& operator=(const CModemStrings&) = delete;

    // Members 1-6 come from values of the driver key, 7-12 and 25-35 from every value of
    // the driver key's subkey of that name, 13-24 from values of its Settings subkey.
    WideString AttachedTo;
    WideString CompanyName;
    WideString FriendlyName;
    WideString Reset;
    WideString TerminatePlay;
    WideString TerminateRecord;
    StringList GenerateDigit;
    StringList Hangup;
    StringList Init;
    StringList LineSetPlayFormat;
    StringList LineSetRecordFormat;
    StringList Monitor;
    WideString CallSetupFailTimer;
    WideString DialPrefix;
    WideString DialSuffix;
    WideString Prefix;
    WideString SpeakerMode_Dial;
    WideString SpeakerMode_Off;
    WideString SpeakerMode_On;
    WideString SpeakerMode_Setup;
    WideString SpeakerVolume_High;
    WideString SpeakerVolume_Low;
    WideString SpeakerVolume_Med;
    WideString Tone;
    StringList SpeakerPhoneDisable;
    StringList SpeakerPhoneEnable;
    StringList SpeakerPhoneMute;
    StringList SpeakerPhoneSetVolumeGain;
    StringList SpeakerPhoneUnMute;
    StringList StartPlay;
    StringList StartRecord;
    StringList StopPlay;
    StringList StopRecord;
    StringList VoiceAnswer;
    StringList VoiceDialNumberSetup;

  private:
    void DiscoverProfile(const veltrane::platform::Registry& registry);
};
