#pragma once

// In-memory state of the synchronisation engine owned by the data module: retrieval history, duplicates and per-account retrievals, kept for the life of the process.
struct SyncState
{
};
