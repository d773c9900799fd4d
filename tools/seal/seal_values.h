// What veltrane-seal does, apart from talking to the user: checks the three values and
// writes the credentials file that the build embeds.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrane::seal {

// Why a value is refused, for the user; empty when the value is fine.
std::string CheckCredential(std::string_view what, std::string_view value);
std::string CheckPassPhrase(std::string_view phrase);

// The credentials file for these values (already checked), or nothing when the
// cryptographic library failed.
std::optional<std::string> SealedFile(std::string_view user_name, std::string_view password,
                                      std::string_view phrase);

}  // namespace veltrane::seal
