#pragma once

// In-memory working tables of the statement export engine, owned by the data module.
struct ExportState
{
};
