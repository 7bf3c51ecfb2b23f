#pragma once

// Reading a large folder leaves much memory freed between the names that stay. Once the window
// has done no reading for a second, it goes back to the system. A reading started before then
// gives it back first: its threads need not get the heaps that hold it, and would take more.
void releaseMemoryWhenIdle();
void holdMemoryRelease();
