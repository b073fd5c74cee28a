#pragma once

#include <QString>

namespace stirwell {

// The directory that holds Stirwell's data files: "Stirwell" under
// $XDG_DATA_HOME (~/.local/share by default), or under the temporary
// directory when no data location can be determined. Not created here:
// writers create it before each write.
[[nodiscard]] QString defaultDataDirectory();

} // namespace stirwell
