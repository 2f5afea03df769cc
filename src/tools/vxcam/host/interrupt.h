// Interrupts: Ctrl-C and SIGTERM (the console control events on Windows)
// ask the tool to end its runs, stop, close and delete every camera, print
// what it has, and exit with status 130. A second interrupt ends the process
// at once, in case the cameras hang.
#ifndef VXCAM_INTERRUPT_H
#define VXCAM_INTERRUPT_H

// The exit status of an interrupted run.
constexpr int kInterruptedStatus = 130;

// Installs the handler (once; later calls do nothing).
void catchInterrupts();
// Whether an interrupt came since catchInterrupts(). Any thread.
bool interrupted();

#endif // VXCAM_INTERRUPT_H
