// After the machine wakes from sleep: the checks that ran across it are stopped (their connections
// are dead), and every entry that fell due meanwhile is checked once, as soon as the network is
// back or 30 seconds have passed.
#pragma once
#include <windows.h>

// How long the checks after a resume wait for the network at most, and how often it is asked.
const UINT resumeNetworkWaitMs = 30000;
const UINT resumeNetworkPollMs = 1000;

// WM_POWERBROADCAST: acts on PBT_APMRESUMEAUTOMATIC and PBT_APMRESUMESUSPEND (Windows sends both
// for one wake; the second changes nothing unless PBT_APMSUSPEND came between them). Answers TRUE
// as the message asks.
BOOL OnPowerBroadcast(HWND window, WPARAM event);
// IDT_RESUME_WAIT: asks for the network; once it is there, or the wait is over, checks what is due.
void StepResumeWait(HWND window);
// Whether the scheduler holds its checks, waiting for the network after a resume.
bool ResumeHoldsChecks();
// Ends a wait (the window is going).
void StopResumeWait(HWND window);
