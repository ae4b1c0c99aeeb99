# Stands in for the Windows compile check when no cross compiler was found.
message(FATAL_ERROR
    "x86_64-w64-mingw32-g++ was not found when the build was configured, so the Windows "
    "power-off file cannot be compile-checked. Install the Debian package g++-mingw-w64-x86-64 "
    "(scripts/install-deps.sh does) and configure the build again.")
