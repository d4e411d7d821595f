# Windows test programs run under Wine, each build tree in a Wine prefix of its own
# (<build>/wine, made on first use by cmake/wine-run.sh).
if(CMAKE_CROSSCOMPILING AND WIN32)
    if(NOT TAVO_WINE_LOADER)
        if(CMAKE_SIZEOF_VOID_P EQUAL 8)
            set(TAVO_WINE_LOADER /usr/lib/wine/wine64)
        else()
            set(TAVO_WINE_LOADER /usr/lib/wine/wine)
        endif()
    endif()
    set(TAVO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "Wine prefix of this build tree")
    set(CMAKE_CROSSCOMPILING_EMULATOR
        /bin/bash ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${TAVO_WINE_LOADER} ${TAVO_WINE_PREFIX})
endif()
