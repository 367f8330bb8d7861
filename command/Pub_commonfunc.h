#pragma once
// Checks shared by the pages before a value is stored in a record.

// True for a dotted-quad address: four decimal segments of 0..255, leading zeros allowed.
bool is_valid_ip(const char *text);
