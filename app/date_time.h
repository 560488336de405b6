// Date-times as the platform counts them: days since 30 December 1899, 00:00:00, with the time
// of day as the fraction.
#pragma once

namespace velvane {

using DateTime = double;

// The zero date-time: no refresh has completed yet.
inline constexpr DateTime kNeverRefreshed = 0.0;

}  // namespace velvane
