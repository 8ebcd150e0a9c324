// Work the layer does ahead, on another core, while the program is busy with
// something else: what a later call would otherwise have to do itself.
#pragma once

#include <cstddef>
#include <functional>

namespace platform {

// Runs `job` on the layer's worker thread, after every job given before it. A job
// only prepares what a later call would otherwise do on the spot, so where there is
// no worker (a page runs on one thread) it is dropped, and only the time changes. A
// job must be safe to run at any moment from another thread, and must not wait for
// the program's thread.
void RunAhead(std::function<void()> job);

// Waits until every job given so far has run: for tests, which look at what the
// work ahead left behind.
void FinishWorkAhead();

// Maps the pages of freshly allocated memory in one go before it is first written,
// rather than one fault at a time as the writes reach them: far cheaper for the
// large pixel buffers a program fills as it starts. Pages already in use are left
// as they are; only whole pages inside the range are touched.
void PrefaultForWriting(void *start, std::size_t bytes);

} // namespace platform
