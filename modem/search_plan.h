#pragma once

// What the modem search tries and in what order: the machine's COM ports, the baud rates
// with their answer waits, and the commands whose answers prove that a modem listens. The
// finder applies the ordering rules at the start of every search; they live here as plain
// functions so that the order can be checked without any port.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/msg_strings.h"
#include "modem/at_cmd_param_mt.h"
#include "modem/baudrate_param.h"
#include "platform/serial_device_map.h"

using PortNumbers = std::vector<unsigned>;

// 115200, 9600, 57600, 38400, 19200, 4800, 2400, 1200, 300, each with 1000 ms: the rates
// modems are most often left at come first.
BaudrateParams default_baud_list();

// "AT" CR answered by CR LF "OK" CR LF, or by "0" CR from a modem set to numeric result codes.
AtCmdParamMtList default_search_command_params();

// Clears out, then appends each record's text form ("AT<CR> <CR><LF>OK<CR><LF>").
void search_lines_from_params(const AtCmdParamMtList& params, Msg::Strings& out);

// Appends the number of every name of the form "COM%d"; other names are skipped. No sorting,
// no removal of duplicates.
void port_numbers_from_names(const std::vector<std::string>& names, PortNumbers& ports);

// Appends the numbers of the serial ports the machine offers (ports/comN links and, unless
// links-only, the serial devices of the fixed ranges).
void list_com_ports(PortNumbers& ports, const platform::SerialRoots& roots);

// Sorts ascending, then puts lastPort (0: none) first, even when the machine did not list it,
// since a USB modem may show up late; with onlyOnePort and a last port, nothing else stays.
void order_ports(PortNumbers& ports, std::int32_t lastPort, bool onlyOnePort);

// The ports of the list grouped by the device they lead to (after following links, as
// ports/com5 and COM35 may both lead to ttyUSB2), as positions in the list: a device is
// checked by one port at a time, so the ports of one group are tried one after another in
// list order. Groups are in the order of their first port; a port whose device cannot be
// found is a group of its own.
std::vector<std::vector<std::size_t>> same_device_groups(const PortNumbers& ports,
                                                         const platform::SerialRoots& roots);

// Moves the first entry with lastBaud (0: none) to the front, keeping its answer wait; a rate
// not in the list changes nothing.
void move_baud_first(BaudrateParams& list, std::int32_t lastBaud);
