#include "finaleframework/document/FCDocument.h"

#include "finalepdk/FinaleBinding.h"

#include <cstring>

char* FCDocument::GetPath() {
    std::memset(_path, 0, sizeof _path);
    FX_GetDocumentPath(_docid, _path, FINALEPDK_VERSION);
    // The host writes a terminated path; keep the buffer terminated whatever it wrote.
    _path[sizeof _path - 1] = 0;
    return _path;
}
