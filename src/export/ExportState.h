#pragma once

#include "export/ExportDisplayLine.h"
#include "export/ExportLine.h"
#include "export/RecapCompteExport.h"

#include <vector>

// In-memory working tables of the statement export engine, owned by the data module
// and refilled by every selection. The tables are plain vectors, always "open".
struct ExportState
{
    // FDMemTableExport: the selection in selection order (iban, compte_id, date, id);
    // every writer reads it.
    std::vector<ExportLine> FDMemTableExport;

    // KBMemTableExportFinal: the same lines sorted descending on iban, date, reference,
    // for the grids.
    std::vector<ExportDisplayLine> KBMemTableExportFinal;

    // kMemetablerecapcomptesexport: one row per IBAN of the display copy.
    std::vector<RecapCompteExport> kMemetablerecapcomptesexport;
};
