#include "tools/data/HeightmapImport.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>

namespace datagen {

namespace {

struct DatasetCloser {
    void operator()(void* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

// While an import runs, GDAL's complaints are kept for its one line instead
// of going to standard error.
struct QuietGdal {
    QuietGdal()
    {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
};

// ": GDAL's last complaint", when it made one.
std::string gdalReason()
{
    const char* message = CPLGetLastErrorMsg();
    return message[0] != '\0' ? std::string(": ") + message : "";
}

// A headerless square of 16-bit samples, described to GDAL as a raw band
// whose side follows from the byte count: little-endian unsigned as terrain
// tools export .r16/.raw, or big-endian signed with SRTM's voids as nodata.
Dataset openHeaderless(const std::string& path, uint64_t bytes, bool srtm)
{
    const uint64_t samples = bytes / 2;
    const auto side = static_cast<uint64_t>(std::llround(std::sqrt(static_cast<double>(samples))));
    if (bytes % 2 != 0 || side < 1 || side * side != samples || side > INT_MAX / 2) {
        CPLError(CE_Failure, CPLE_AppDefined, "%llu bytes are no square of 16-bit samples",
                 static_cast<unsigned long long>(bytes));
        return nullptr;
    }
    char* escaped = CPLEscapeString(path.c_str(), -1, CPLES_XML);
    const std::string n = std::to_string(side);
    const std::string vrt =
        "<VRTDataset rasterXSize=\"" + n + "\" rasterYSize=\"" + n + "\"><VRTRasterBand dataType=\"" +
        (srtm ? "Int16" : "UInt16") + "\" band=\"1\" subClass=\"VRTRawRasterBand\">" +
        (srtm ? "<NoDataValue>-32768</NoDataValue>" : "") + "<SourceFilename relativeToVRT=\"0\">" + escaped +
        "</SourceFilename><ByteOrder>" + (srtm ? "MSB" : "LSB") + "</ByteOrder><PixelOffset>2</PixelOffset>" +
        "<LineOffset>" + std::to_string(2 * side) + "</LineOffset></VRTRasterBand></VRTDataset>";
    CPLFree(escaped);
    return Dataset(GDALOpen(vrt.c_str(), GA_ReadOnly));
}

} // namespace

std::string windowText(const PixelWindow& w)
{
    return std::to_string(w.size) + " x " + std::to_string(w.size) + " pixels at (" + std::to_string(w.x) +
           ", " + std::to_string(w.y) + ")";
}

ImportResult importHeightmap(const std::string& path, PixelWindow window, int side, ImportedMap& out,
                             std::string& error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return ImportResult::Unreadable;
    }
    const auto refuse = [&](const std::string& why) {
        error = path + ": " + why;
        return ImportResult::Refused;
    };
    // A device, a pipe or a folder is never a raster (and /dev/zero never ends).
    if (!S_ISREG(info.st_mode)) return refuse("not a regular file");

    GDALAllRegister();
    const QuietGdal quiet;
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    Dataset source;
    if (extension == ".r16" || extension == ".raw") {
        source = openHeaderless(path, static_cast<uint64_t>(info.st_size), false);
    } else {
        source.reset(GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
        // GDAL knows an SRTM tile by its name (N46E007.hgt); a renamed one is read all the same.
        if (!source && extension == ".hgt")
            source = openHeaderless(path, static_cast<uint64_t>(info.st_size), true);
    }
    if (!source) return refuse("not a raster GDAL reads" + gdalReason());

    const int width = GDALGetRasterXSize(source.get());
    const int height = GDALGetRasterYSize(source.get());
    const int bands = GDALGetRasterCount(source.get());
    if (bands != 1)
        return refuse(std::to_string(bands) +
                      " bands: heights come from a single band (a greyscale picture or "
                      "an elevation model), not from colour or transparency");
    GDALRasterBandH band = GDALGetRasterBand(source.get(), 1);
    if (GDALGetRasterColorInterpretation(band) == GCI_PaletteIndex)
        return refuse("a palette picture: its samples are colours, not heights");

    if (window.size == 0) {
        window.size = std::min(width, height);
        window.x = (width - window.size) / 2;
        window.y = (height - window.size) / 2;
    }
    const std::string raster = std::to_string(width) + " x " + std::to_string(height) + " raster";
    if (window.size < 1 || window.x < 0 || window.y < 0 || window.x > width - window.size ||
        window.y > height - window.size)
        return refuse("the " + windowText(window) + " are not all in the " + raster);
    const int s = window.size;
    if (int64_t{s} * s > kMaxWindowSamples)
        return refuse("the " + windowText(window) + " of the " + raster + " are more than the " +
                      std::to_string(kMaxWindowSamples) +
                      " samples read at once; --window picks a smaller square");

    std::vector<float> samples(static_cast<size_t>(s) * static_cast<size_t>(s));
    if (GDALRasterIO(band, GF_Read, window.x, window.y, s, s, samples.data(), s, s, GDT_Float32, 0, 0) !=
        CE_None)
        return refuse("cannot read its samples" + gdalReason());
    int hasNodata = 0;
    const double nodata = GDALGetRasterNoDataValue(band, &hasNodata);
    source.reset();

    // A nodata value beyond the float range matches only samples that read as
    // infinite, and those are holes anyway.
    const float none = hasNodata && std::fabs(nodata) <= FLT_MAX ? static_cast<float>(nodata)
                                                                 : std::numeric_limits<float>::quiet_NaN();
    float lowest = std::numeric_limits<float>::infinity();
    float highest = -lowest;
    int64_t holes = 0;
    for (float& v : samples) {
        if (!std::isfinite(v) || v == none) {
            v = std::numeric_limits<float>::quiet_NaN();
            ++holes;
        } else {
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    }
    if (holes == int64_t{s} * s)
        return refuse("no heights: every sample of the " + windowText(window) + " is nodata");

    // The samples become a band of GDAL's own, in place, for its hole filling and averaging.
    Dataset work(GDALCreate(GDALGetDriverByName("MEM"), "", s, s, 0, GDT_Float32, nullptr));
    char pointer[64];
    std::snprintf(pointer, sizeof pointer, "DATAPOINTER=%p", static_cast<void*>(samples.data()));
    char* bandOptions[] = {pointer, nullptr};
    if (!work || GDALAddBand(work.get(), GDT_Float32, bandOptions) != CE_None)
        return refuse("cannot hand its samples to GDAL" + gdalReason());
    GDALRasterBandH workBand = GDALGetRasterBand(work.get(), 1);
    if (holes > 0) {
        // Searching as far as the diagonal, every hole finds valid samples;
        // the work files stay in memory, not beside the raster.
        char temporary[] = "TEMP_FILE_DRIVER=MEM";
        char* fillOptions[] = {temporary, nullptr};
        GDALSetRasterNoDataValue(workBand, std::numeric_limits<double>::quiet_NaN());
        if (GDALFillNodata(workBand, nullptr, 2.0 * s, 0, 0, fillOptions, nullptr, nullptr) != CE_None)
            return refuse("cannot fill its " + std::to_string(holes) + " samples without data" +
                          gdalReason());
    }
    std::vector<float> grid(static_cast<size_t>(side) * static_cast<size_t>(side));
    GDALRasterIOExtraArg resampling;
    INIT_RASTERIO_EXTRA_ARG(resampling);
    resampling.eResampleAlg = s > side ? GRIORA_Average : GRIORA_Bilinear;
    if (GDALRasterIOEx(workBand, GF_Read, 0, 0, s, s, grid.data(), side, side, GDT_Float32, 0, 0,
                       &resampling) != CE_None)
        return refuse("cannot resample it" + gdalReason());

    ImportedMap map;
    map.heights.resize(grid.size());
    for (size_t i = 0; i < grid.size(); ++i) {
        const double level = highest > lowest ? (grid[i] - lowest) * 255.0 / (highest - lowest) : 0.0;
        if (!std::isfinite(level)) return refuse("holes left after filling");
        map.heights[i] = static_cast<uint8_t>(std::clamp(std::lround(level), 0L, 255L));
    }
    map.rasterWidth = width;
    map.rasterHeight = height;
    map.window = window;
    map.lowest = lowest;
    map.highest = highest;
    map.filled = holes;
    out = std::move(map);
    return ImportResult::Imported;
}

} // namespace datagen
