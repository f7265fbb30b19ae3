# Where an installation puts each file, relative to the prefix. The program finds its own files
# relative to the folder that holds it (bin/), so these places are fixed here instead of taken
# from GNUInstallDirs: a multiarch libdir or another datadir would hide them from the program.
set(LIS_INSTALL_BINDIR bin)
set(LIS_INSTALL_LIBDIR lib/lumetra-image-search) # private: the program loads it, nothing links it
set(LIS_INSTALL_DATADIR share/lumetra-image-search)

# One reverse-DNS id names the desktop entry, the icon and the AppStream metadata.
set(LIS_APP_ID io.lumetra.ImageSearch)
