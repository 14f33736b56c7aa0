#pragma once

namespace quillmere {

// The standard streams written as they are, line ends included: on Windows
// they would otherwise turn every line feed into a carriage return and a
// line feed, and the console text would differ from every other system's.
void writeStandardStreamsAsIs();

}  // namespace quillmere
