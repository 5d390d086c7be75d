#pragma once

// What a screen reader is told about the movie beyond what Qt Quick tells by
// itself: a disabled control is disabled, a progress bar has its value, and
// the offscreen window the movie is drawn in is not one of the program's
// windows. Installed with the first movie view; installing again does nothing.
namespace movieaccessibility {

void install();

} // namespace movieaccessibility
