// The 35 fields of the modem profile in member order, which is also the order in which
// discovery reads them: the registry name, where the text comes from, and the member.
#pragma once

#include <array>

#include "modem/modem_strings.h"

namespace veltrane {

enum class ProfileSource {
    kDriverKey,    // a named value of the driver key
    kSettingsKey,  // a named value of the driver key's "Settings" subkey
    kSubkey,       // every value of the driver key's subkey of that name, as a list
};

struct ProfileField {
    const char16_t* name;  // the registry name, exactly
    ProfileSource source;
    WideString CModemStrings::*text;  // set for the two value sources
    StringList CModemStrings::*list;  // set for kSubkey
};

inline constexpr std::array<ProfileField, 35> kProfileFields{{
    {u"AttachedTo", ProfileSource::kDriverKey, &CModemStrings::AttachedTo, nullptr},
    {u"CompanyName", ProfileSource::kDriverKey, &CModemStrings::CompanyName, nullptr},
    {u"FriendlyName", ProfileSource::kDriverKey, &CModemStrings::FriendlyName, nullptr},
    {u"Reset", ProfileSource::kDriverKey, &CModemStrings::Reset, nullptr},
    {u"TerminatePlay", ProfileSource::kDriverKey, &CModemStrings::TerminatePlay, nullptr},
    {u"TerminateRecord", ProfileSource::kDriverKey, &CModemStrings::TerminateRecord, nullptr},
    {u"GenerateDigit", ProfileSource::kSubkey, nullptr, &CModemStrings::GenerateDigit},
    {u"Hangup", ProfileSource::kSubkey, nullptr, &CModemStrings::Hangup},
    {u"Init", ProfileSource::kSubkey, nullptr, &CModemStrings::Init},
    {u"LineSetPlayFormat", ProfileSource::kSubkey, nullptr, &CModemStrings::LineSetPlayFormat},
    {u"LineSetRecordFormat", ProfileSource::kSubkey, nullptr, &CModemStrings::LineSetRecordFormat},
    {u"Monitor", ProfileSource::kSubkey, nullptr, &CModemStrings::Monitor},
    {u"CallSetupFailTimer", ProfileSource::kSettingsKey, &CModemStrings::CallSetupFailTimer,
     nullptr},
    {u"DialPrefix", ProfileSource::kSettingsKey, &CModemStrings::DialPrefix, nullptr},
    {u"DialSuffix", ProfileSource::kSettingsKey, &CModemStrings::DialSuffix, nullptr},
    {u"Prefix", ProfileSource::kSettingsKey, &CModemStrings::Prefix, nullptr},
    {u"SpeakerMode_Dial", ProfileSource::kSettingsKey, &CModemStrings::SpeakerMode_Dial, nullptr},
    {u"SpeakerMode_Off", ProfileSource::kSettingsKey, &CModemStrings::SpeakerMode_Off, nullptr},
    {u"SpeakerMode_On", ProfileSource::kSettingsKey, &CModemStrings::SpeakerMode_On, nullptr},
    {u"SpeakerMode_Setup", ProfileSource::kSettingsKey, &CModemStrings::SpeakerMode_Setup, nullptr},
    {u"SpeakerVolume_High", ProfileSource::kSettingsKey, &CModemStrings::SpeakerVolume_High,
     nullptr},
    {u"SpeakerVolume_Low", ProfileSource::kSettingsKey, &CModemStrings::SpeakerVolume_Low, nullptr},
    {u"SpeakerVolume_Med", ProfileSource::kSettingsKey, &CModemStrings::SpeakerVolume_Med, nullptr},
    {u"Tone", ProfileSource::kSettingsKey, &CModemStrings::Tone, nullptr},
    {u"SpeakerPhoneDisable", ProfileSource::kSubkey, nullptr, &CModemStrings::SpeakerPhoneDisable},
    {u"SpeakerPhoneEnable", ProfileSource::kSubkey, nullptr, &CModemStrings::SpeakerPhoneEnable},
    {u"SpeakerPhoneMute", ProfileSource::kSubkey, nullptr, &CModemStrings::SpeakerPhoneMute},
    {u"SpeakerPhoneSetVolumeGain", ProfileSource::kSubkey, nullptr,
     &CModemStrings::SpeakerPhoneSetVolumeGain},
    {u"SpeakerPhoneUnMute", ProfileSource::kSubkey, nullptr, &CModemStrings::SpeakerPhoneUnMute},
    {u"StartPlay", ProfileSource::kSubkey, nullptr, &CModemStrings::StartPlay},
    {u"StartRecord", ProfileSource::kSubkey, nullptr, &CModemStrings::StartRecord},
    {u"StopPlay", ProfileSource::kSubkey, nullptr, &CModemStrings::StopPlay},
    {u"StopRecord", ProfileSource::kSubkey, nullptr, &CModemStrings::StopRecord},
    {u"VoiceAnswer", ProfileSource::kSubkey, nullptr, &CModemStrings::VoiceAnswer},
    {u"VoiceDialNumberSetup", ProfileSource::kSubkey, nullptr,
     &CModemStrings::VoiceDialNumberSetup},
}};

}  // namespace veltrane
