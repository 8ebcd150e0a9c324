// The front ends' part of the single-instance service: answering other starts.
#pragma once

namespace platform {

// Answers the requests of other starts on the same profile that are waiting on
// the single-instance service, without blocking. Returns true when one of them
// brought a window of this process to the front.
bool ServeInstanceRequests();

} // namespace platform
