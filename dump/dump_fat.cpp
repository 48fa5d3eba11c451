#include "dump/dump_fat.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "format/index_format.h"

namespace {

constexpr size_t kEntryBytes = 32;
constexpr uint8_t kEndOfFolder = 0x00, kDeletedEntry = 0xE5;
constexpr uint8_t kLongNameEntry = 0x0F, kVolumeLabel = 0x08, kFolderAttribute = 0x10;
// A FAT folder holds at most 65,536 entries.
constexpr uint64_t kLargestFolder = 65536 * kEntryBytes;

uint64_t Little(const uint8_t *bytes, int width)
{
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; i--)
        value = value << 8 | bytes[i];
    return value;
}

// Where a FAT file system keeps its table and clusters, from its boot
// sector: all in bytes from the file system's start.
struct FatLayout {
    TSK_FS_INFO *fileSystem;
    uint64_t table = 0;        // the first FAT
    uint64_t clusters = 0;     // cluster 2
    uint64_t clusterBytes = 0;
    uint64_t tableBytes = 0;
    uint64_t lastCluster = 0;
    uint64_t rootCluster = 0;  // the root folder's first, on FAT32; else 0
    int bits = 0;              // of a FAT entry: 12, 16 or 28

    bool Read(uint64_t at, size_t bytes, uint8_t *into) const
    {
        return tsk_img_read(fileSystem->img_info, fileSystem->offset + static_cast<TSK_OFF_T>(at),
                            reinterpret_cast<char *>(into), bytes)
               == static_cast<ssize_t>(bytes);
    }
    uint64_t ClusterAt(uint64_t cluster) const { return clusters + (cluster - 2) * clusterBytes; }
    uint64_t DataBytes() const { return (lastCluster - 1) * clusterBytes; }
    size_t EntryBytes() const { return bits == 28 ? 4 : 2; }
    uint64_t Mask() const { return (uint64_t{1} << bits) - 1; }
    bool EndOfChain(uint64_t value) const { return value >= (0x0FFFFFF8u & Mask()) && value <= 0x0FFFFFFF; }
    // Where cluster's entry begins in the FAT.
    uint64_t EntryAt(uint64_t cluster) const { return bits == 12 ? cluster * 3 / 2 : cluster * EntryBytes(); }
    // Cluster's entry, from the EntryBytes() bytes at EntryAt(cluster).
    uint64_t Value(uint64_t cluster, const uint8_t *bytes) const
    {
        uint64_t value = Little(bytes, static_cast<int>(EntryBytes()));
        return bits == 12 ? (cluster & 1 ? value >> 4 : value & 0xFFF) : value & Mask();
    }
    // The FAT's entry for cluster; false when it cannot be read.
    bool Next(uint64_t cluster, uint64_t *next) const
    {
        uint8_t bytes[4];
        if (!Read(table + EntryAt(cluster), EntryBytes(), bytes))
            return false;
        *next = Value(cluster, bytes);
        return true;
    }
};

bool ReadLayout(TSK_FS_INFO *fileSystem, FatLayout *layout)
{
    uint8_t boot[48];
    layout->fileSystem = fileSystem;
    if (!layout->Read(0, sizeof boot, boot))
        return false;
    uint64_t sector = Little(boot + 11, 2), perCluster = boot[13], reserved = Little(boot + 14, 2), tables = boot[16];
    uint64_t rootBytes = Little(boot + 17, 2) * kEntryBytes;
    uint64_t sectors = Little(boot + 19, 2) ? Little(boot + 19, 2) : Little(boot + 32, 4);
    uint64_t tableSectors = Little(boot + 22, 2) ? Little(boot + 22, 2) : Little(boot + 36, 4);
    if (!sector || !perCluster)
        return false;
    layout->table = reserved * sector;
    layout->tableBytes = tableSectors * sector;
    layout->clusters = layout->table + tables * tableSectors * sector + (rootBytes + sector - 1) / sector * sector;
    layout->clusterBytes = sector * perCluster;
    if (layout->clusters >= sectors * sector)
        return false;
    layout->lastCluster = (sectors * sector - layout->clusters) / layout->clusterBytes + 1;
    layout->bits = fileSystem->ftype == TSK_FS_TYPE_FAT12 ? 12 : fileSystem->ftype == TSK_FS_TYPE_FAT16 ? 16 : 28;
    layout->rootCluster = layout->bits == 28 ? Little(boot + 44, 4) : 0;
    return true;
}

// The clusters of the chain from first, as byte runs in the image; the
// chain ends at its end mark, a free, bad or out-of-range entry, or after
// as many clusters as the file system has (a chain that loops).
std::vector<ByteRun> ChainRuns(const FatLayout &layout, uint64_t first)
{
    std::vector<ByteRun> runs;
    uint64_t base = static_cast<uint64_t>(layout.fileSystem->offset);
    uint64_t cluster = first;
    for (uint64_t count = 0; cluster >= 2 && cluster <= layout.lastCluster && count < layout.lastCluster; count++) {
        uint64_t start = base + layout.ClusterAt(cluster);
        AppendRun(&runs, start, start + layout.clusterBytes);
        if (!layout.Next(cluster, &cluster) || layout.EndOfChain(cluster))
            break;
    }
    return runs;
}

std::string ShortName(const uint8_t *entry)
{
    std::string base(reinterpret_cast<const char *>(entry), 8), extension(reinterpret_cast<const char *>(entry) + 8, 3);
    base.erase(base.find_last_not_of(' ') + 1);
    extension.erase(extension.find_last_not_of(' ') + 1);
    return extension.empty() ? base : base + "." + extension;
}

// What is wrong with an entry, as the library judges it; "" when nothing.
std::string Fault(const FatLayout &layout, uint64_t cluster, uint64_t size)
{
    if (cluster > layout.lastCluster && !layout.EndOfChain(cluster))
        return "start cluster " + std::to_string(cluster) + " past the last cluster "
               + std::to_string(layout.lastCluster);
    if (size > layout.DataBytes())
        return "size " + std::to_string(size) + " bytes, more than the " + std::to_string(layout.DataBytes())
               + " bytes of the file system's clusters";
    if (size && !cluster)
        return "size " + std::to_string(size) + " bytes without a start cluster";
    return "";
}

bool BeginsWithSignature(const FatLayout &layout, uint64_t cluster)
{
    uint8_t start[INDEX_SIGNATURE_BYTES];
    return cluster >= 2 && cluster <= layout.lastCluster && layout.Read(layout.ClusterAt(cluster), sizeof start, start)
           && !std::memcmp(start, INDEX_SIGNATURE, sizeof start);
}

// Marks in reached the chain from cluster, whose FAT is table. A cluster
// marked has its chain marked from there on, so the chain ends at the
// first cluster marked before, and a chain that loops ends.
void MarkChain(const FatLayout &layout, const std::vector<uint8_t> &table, uint64_t cluster,
               std::vector<bool> *reached)
{
    for (; cluster >= 2 && cluster < reached->size() && !(*reached)[cluster];
         cluster = layout.Value(cluster, &table[layout.EntryAt(cluster)]))
        (*reached)[cluster] = true;
}

} // namespace

bool IsFatFileSystem(const TSK_FS_INFO *fileSystem)
{
    return fileSystem->ftype == TSK_FS_TYPE_FAT12 || fileSystem->ftype == TSK_FS_TYPE_FAT16
           || fileSystem->ftype == TSK_FS_TYPE_FAT32;
}

std::vector<DamagedEntry> DamagedFatEntries(TSK_FS_INFO *fileSystem, TSK_INUM_T address,
                                           std::vector<uint64_t> *starts)
{
    std::vector<DamagedEntry> damaged;
    FatLayout layout;
    TSK_FS_FILE *folder = tsk_fs_file_open_meta(fileSystem, nullptr, address);
    if (!folder || !folder->meta || !ReadLayout(fileSystem, &layout)) {
        tsk_fs_file_close(folder);
        tsk_error_reset();
        return damaged;
    }
    std::vector<uint8_t> entries(std::min<uint64_t>(static_cast<uint64_t>(folder->meta->size), kLargestFolder));
    ssize_t got = tsk_fs_file_read(folder, 0, reinterpret_cast<char *>(entries.data()), entries.size(),
                                   TSK_FS_FILE_READ_FLAG_NONE);
    tsk_fs_file_close(folder);
    tsk_error_reset();
    entries.resize(got < 0 ? 0 : static_cast<size_t>(got) / kEntryBytes * kEntryBytes);
    for (size_t at = 0; at < entries.size() && entries[at] != kEndOfFolder; at += kEntryBytes) {
        const uint8_t *entry = &entries[at];
        uint8_t attributes = entry[11];
        if (entry[0] == kDeletedEntry || entry[0] == '.' || attributes == kLongNameEntry
            || attributes & kVolumeLabel)
            continue;
        uint64_t cluster = Little(entry + 26, 2) | (layout.bits == 28 ? Little(entry + 20, 2) << 16 : 0);
        starts->push_back(cluster);
        std::string fault = Fault(layout, cluster, Little(entry + 28, 4));
        std::string name = ShortName(entry);
        bool folderEntry = attributes & kFolderAttribute;
        if (fault.empty()
            || !(folderEntry || !strcasecmp(name.c_str(), "INDEX.DAT") || BeginsWithSignature(layout, cluster)))
            continue;
        std::vector<ByteRun> runs = folderEntry ? std::vector<ByteRun>() : ChainRuns(layout, cluster);
        fault += folderEntry ? "; the folder is not read"
                 : runs.empty() ? "; its content cannot be found"
                                : "; read as far as its cluster chain goes";
        damaged.push_back({name, folderEntry, fault, std::move(runs)});
    }
    return damaged;
}

bool LostClusters(TSK_FS_INFO *fileSystem, const std::vector<uint64_t> &starts, std::vector<ByteRun> *runs)
{
    FatLayout layout;
    if (!ReadLayout(fileSystem, &layout))
        return false;
    // Clusters 2 to the last, as far as the table and the image hold their
    // entries; never a number the FAT keeps for bad clusters and chain
    // ends, so a chain ends at those.
    uint64_t entryBits = layout.bits == 12 ? 12 : layout.EntryBytes() * 8;
    uint64_t tableEnd = static_cast<uint64_t>(fileSystem->offset) + layout.table;
    uint64_t imageBytes = static_cast<uint64_t>(fileSystem->img_info->size);
    uint64_t inImage = imageBytes > tableEnd ? imageBytes - tableEnd : 0;
    uint64_t count = std::min(layout.lastCluster, 0x0FFFFFF6 & layout.Mask()) + 1;
    count = std::min(count, std::min(layout.tableBytes, inImage) * 8 / entryBits);
    if (count <= 2)
        return true;
    // Room past the last entry for reading EntryBytes() there.
    std::vector<uint8_t> table(count * entryBits / 8 + 4);
    if (!layout.Read(layout.table, (count * entryBits + 7) / 8, table.data())) {
        tsk_error_reset();
        return false;
    }
    std::vector<bool> reached(count);
    MarkChain(layout, table, layout.rootCluster, &reached);
    for (uint64_t start : starts)
        MarkChain(layout, table, start, &reached);
    uint64_t base = static_cast<uint64_t>(fileSystem->offset), bad = 0x0FFFFFF7 & layout.Mask();
    for (uint64_t cluster = 2; cluster < count; cluster++) {
        uint64_t value = layout.Value(cluster, &table[layout.EntryAt(cluster)]);
        if (value && value != bad && !reached[cluster])
            AppendRun(runs, base + layout.ClusterAt(cluster), base + layout.ClusterAt(cluster) + layout.clusterBytes);
    }
    return true;
}
