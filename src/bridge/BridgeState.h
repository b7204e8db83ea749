#pragma once

// In-memory state of the Bridge client owned by the data module: catalogue of banks, accounts of the last listing, transactions of the current run.
struct BridgeState
{
};
