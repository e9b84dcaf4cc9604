#pragma once

// Why a port did not open, told in terms an operator can act on: which device the COM number
// led to, and whether it is missing, behind a dangling ports/comN link, closed to the user's
// groups, held by another program, or refused for another reason the system names. And the
// quiet case: ModemManager probing the very modem a run talks to, which garbles both sides'
// answers although the open succeeded (root is not kept out by its exclusive mode).
//
// Both read /proc (every process's descriptors), which takes a while on a busy machine: ask
// once for a port that failed or for the port a run has settled on, never per attempt.

#include <string>

#include "modem/t_comm_port.h"
#include "platform/serial_device_map.h"

// "Не удалось открыть порт %d, скорость %d" (1251): a port opened at a rate of the caller's
// choosing did not open; openFailureText says why.
std::string cannotOpenText(int port, int baud);

// One message line (1251) for port, from what its failed open saw.
std::string openFailureText(int port, const TCommPort::OpenFailure& failure,
                            const platform::SerialRoots& roots = {});

// The warning line (1251) when ModemManager has the device of port open; empty otherwise.
// Other programs that merely hold the line open are not named: a pseudo-terminal modem
// holds its own line.
std::string modemManagerWarning(int port, const platform::SerialRoots& roots = {});
