// The credentials this build embeds: the two ciphertexts and the pass phrase, from the
// file the sealing tool wrote (credentials.default.inc unless the build names another).
#pragma once

#include "platform/credential_cipher.h"

namespace veltrane {

struct CredentialValues {
    platform::CredentialCipherText user_name;
    platform::CredentialCipherText password;
    char16_t pass_phrase[platform::kPassPhraseChars + 1];

    constexpr platform::PassPhrase phrase() const {
        return platform::PassPhrase(pass_phrase, platform::kPassPhraseChars);
    }
};

inline constexpr CredentialValues kCredentialValues = {
#include "credential_values.inc"
};

static_assert(kCredentialValues.pass_phrase[platform::kPassPhraseChars - 1] != u'\0',
              "the pass phrase has fewer than 39 characters");

}  // namespace veltrane
