// The face the windows' own Chinese texts are drawn in: the few hundred
// characters the forms, the catalogues and the messages use, cut at build
// time from a CJK font and built into the program. It follows the interface
// font in the application's font, so Latin text keeps the desktop's face.
// A window showing Chinese then reads 70 KB of glyphs in place of a CJK font
// file (its pages cost 3 MB of resident memory), and the Chinese interface
// reads on a machine that has no CJK font at all. Any other text (a module's
// Chinese network name) still falls back to the system's fonts.
#ifndef INTERFACEFONT_H
#define INTERFACEFONT_H

namespace interfacefont {

// Registers the face and appends it to the application font's families.
// Call once after the QApplication exists and before any window is made.
// Without the face (the Windows build) it does nothing.
void install();

} // namespace interfacefont

#endif // INTERFACEFONT_H
