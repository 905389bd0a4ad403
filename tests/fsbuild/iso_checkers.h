// The ISO9660/Joliet checkers of the table: isoinfo reads the descriptors and lists the
// Joliet tree, xorriso extracts it. Names longer than 64 characters are expected cut to
// 64, keeping an extension of up to 15 characters after its ".".
#pragma once

#include "build_case.h"

// isoinfo -d: the primary volume id (the label with only A-Z, 0-9 and "_"), 2048-byte
// blocks, a Joliet descriptor, and a volume size that fits the target (an image file
// ends exactly with the volume).
::testing::AssertionResult IsoinfoShowsVolume(const BuiltImage& image);
// isoinfo -J -l lists every folder and every name of the source tree that it can print.
::testing::AssertionResult IsoinfoListsJolietTree(const BuiltImage& image);
// isoinfo -l (the primary tree) lists in every directory identifiers of their own in
// ascending byte order, as the volume format requires, and as many records as the source
// tree has entries.
::testing::AssertionResult IsoinfoListsPrimaryRecordsInOrder(const BuiltImage& image);
// xorriso -extract gives back every folder and file of the source tree, byte-identical,
// and nothing else.
::testing::AssertionResult XorrisoExtractsTheTree(const BuiltImage& image);

// xorriso -find ... report_lba: the data of the source files lies in the order of a walk of
// the source folder as it lists (depth first: a subfolder's files before the files listed
// after it), each file's blocks straight after the previous file's.
::testing::AssertionResult XorrisoFindsFileDataInListingOrder(const BuiltImage& image);

// Every ISO checker, for rows that build successfully.
extern const std::vector<Checker> kIsoChecks;
