#pragma once
// The three export files of a finished test, as the Windows station writes
// them byte for byte: the CSV file of the points, the LIMS CSV file of the
// results and the one-record ASCII ".dat" file. Each text is Windows-1252
// with CR LF line ends; the builders return the file's bytes.
#include <string>
#include <string_view>

#include "platform/Errors.h"

class CQXRYXTestDoc;

namespace exportformat {

std::string CsvFile(const CQXRYXTestDoc& doc);
std::string LimsFile(const CQXRYXTestDoc& doc);
// 442 bytes when every value fits its width; a wider value widens its field.
std::string AsciiRecord(const CQXRYXTestDoc& doc);

// path with ext (".csv", ".dat") appended unless it already ends with it in
// any case: T1.CSV stays, T1 becomes T1.csv, T1.txt becomes T1.txt.csv.
std::string WithExtension(const std::string& path, std::string_view ext);
// The LIMS file beside the test file: /data/T1.ryx gives /data/T1LIMS.csv.
std::string LimsPath(const std::string& testPath);

// Writes bytes to a temporary file beside path and renames it over path once
// written, flushed and closed: a failure leaves no half file and the earlier
// file as it was.
platform::ErrorCode WriteExportFile(const std::string& path, std::string_view bytes);

}  // namespace exportformat
