<?php
// Writes the placeholder that the download address serves until a release
// archive takes its place: a stored (uncompressed) RAR 4 archive holding one
// text file, so whatever the user opens it with shows what it is.
// Usage: php make-placeholder-archive.php [output]

$output = $argv[1] ?? __DIR__ . '/www/website/varno/VarnoSoftware/download/VarnoSoftware.rar';
$name = 'README.txt';
$text = "VarnoSoftware\r\n"
      . "\r\n"
      . "This is a placeholder. The release archive of VarnoSoftware is published\r\n"
      . "under this same name on the update server.\r\n";

// RAR block headers carry the low 16 bits of the CRC-32 of the header from
// its type byte on.
function block(string $headerWithoutCrc): string
{
    return pack('v', crc32($headerWithoutCrc) & 0xFFFF) . $headerWithoutCrc;
}

// A fixed stamp (2024-01-01 00:00, DOS format) keeps the file reproducible.
$dosTime = (((2024 - 1980) << 9 | 1 << 5 | 1) << 16) | 0;

$marker = "Rar!\x1A\x07\x00";
$mainHeader = block(pack('CvvvV', 0x73, 0x0000, 13, 0, 0));
$fileHeader = block(pack('CvvVVCVVCCvV', 0x74, 0x8000, 32 + strlen($name), strlen($text), strlen($text),
                         2, crc32($text), $dosTime, 20, 0x30, strlen($name), 0x20) . $name);
$endHeader = block(pack('Cvv', 0x7B, 0x4000, 7));

file_put_contents($output, $marker . $mainHeader . $fileHeader . $text . $endHeader);
