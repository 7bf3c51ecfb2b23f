#pragma once

// Reading a large folder leaves much memory freed between the names that stay. Once the window
// has done no reading for a second, it goes back to the system; a reading started before then
// would only take the pages back, so it holds the release off.
void releaseMemoryWhenIdle();
void holdMemoryRelease();
