#include "dump/dump_source.h"

std::string SourceName(const DumpSource &source)
{
    if (source.inImage.empty())
        return source.path;
    return source.path + " " + source.inImage + (source.fileState == FileDeleted ? " (deleted)" : "");
}
