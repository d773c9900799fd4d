// Lookup of a statement by its code, shared by the thirteen catalogue methods.
#pragma once

#include <jni.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace veltrane::sql {

using StatementList = std::span<const std::u16string_view>;

// The statement numbered `code` (from 1), or nothing: codes match by equality only, so
// 0, negative codes and codes past the list's end select no statement.
constexpr std::optional<std::u16string_view> FindStatement(StatementList list, jint code) {
    if (code < 1 || static_cast<std::size_t>(code) > list.size()) return std::nullopt;
    return list[static_cast<std::size_t>(code) - 1];
}

// The statement as a new Java string; null, without any JNI call, when the code selects
// none, and null when the VM cannot create the string (no exception is left pending).
jstring StatementString(JNIEnv* env, StatementList list, jint code) noexcept;

}  // namespace veltrane::sql
