// Whether standard error is a terminal (platform code, kept apart).
#ifndef VXCAM_TERMINAL_H
#define VXCAM_TERMINAL_H

bool standardErrorIsTerminal();

#endif // VXCAM_TERMINAL_H
