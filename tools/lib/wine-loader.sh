# Sourced by the scripts that start a Windows program by hand: sets the Wine
# loader and server that fit it, since the plain "wine" picks the 32-bit one
# whenever it is installed.
useWineLoaderFor() {
  case $(x86_64-w64-mingw32-objdump -f "$1") in
    *pei-x86-64*) export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 ;;
    *) export WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver ;;
  esac
}
