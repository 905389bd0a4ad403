// The system-level test: a loop-back of the GPIO registers 0x03, 0x02 and 0x09, whose
// pins the test fixture wires in pairs, in four states of random levels.
#pragma once

// 1 pass, 0 fail.
int SltGpioTest();
