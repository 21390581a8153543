// Names of the skin's files. Every skin file lies in the skin folder of the setup state;
// a screen names its files with formats such as "%slogo.jpg", whose "%s" at the start
// stands for that folder.
#pragma once

// Composes the file name of `format` (a "%s" at its start and no other '%') with the skin
// folder in place of the "%s". 1 when the name fits in `out`; otherwise 0 and `out` is
// empty: a name that does not fit is never shortened into another file's name.
int SkinFilePath(const char* format, char (&out)[128]);
