// The stall limit of every transfer: a transfer that receives no byte for this many
// seconds fails (libcurl's low-speed limit of 1 byte per second over the period).
#pragma once

long TransferStallSeconds();

// Tests only: a shorter stall limit, so a stalled server is detected in seconds.
// The program never calls it; 0 or less restores the default.
void SetTransferStallSecondsForTesting(long seconds);
