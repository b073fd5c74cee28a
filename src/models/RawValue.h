#pragma once

#include <QString>

#include <optional>

namespace stirwell {

// Every stored or reported enumeration converts to its raw value with an
// overload of `rawValue()` and back with `fromRawValue<E>()`, which returns
// nothing for text that names no case (a hand-edited file, say).
template <typename E>
[[nodiscard]] std::optional<E> fromRawValue(const QString &raw);

} // namespace stirwell
