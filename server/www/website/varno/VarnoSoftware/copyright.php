<?php
// The release every client must carry to start. Publish a new release by
// putting its archive under download/ and changing this label.
header('Content-Type: application/json; charset=utf-8');
header('Cache-Control: no-store');
echo json_encode(['version' => 'v1.0']);
