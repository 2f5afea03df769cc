// Whether standard error is a terminal (terminal_unix.cpp, terminal_win.cpp).
#ifndef VXCAM_TERMINAL_H
#define VXCAM_TERMINAL_H

bool standardErrorIsTerminal();

#endif // VXCAM_TERMINAL_H
