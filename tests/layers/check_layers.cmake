# Fails when a file includes one of a layer it may not see. Every project include names its
# layer ("core/...", "serial/...", "registry/...", "print/...", "ui/...", "cli/..."); a file may
# include its own layer and those below it. Run: cmake -DROOT=<source dir> -P check_layers.cmake
#
#   core   -> core
#   serial -> core, serial
#   registry -> core, registry
#   print  -> core, registry, print
#   ui     -> core, serial, registry, print, ui
#   cli    -> core, serial, registry, print, cli
#   programs and tools -> what their target links
if(NOT ROOT)
    message(FATAL_ERROR "ROOT not set")
endif()

set(allowed_core core)
set(allowed_serial core serial)
set(allowed_registry core registry)
set(allowed_print core registry print)
set(allowed_ui core serial registry print ui)
set(allowed_cli core serial registry print cli)
set(allowed_selvanam core serial registry print ui)
set(allowed_selvanam-cli core serial registry print cli)
set(allowed_simulator core)

set(layer_dirs core serial registry print ui cli selvanam selvanam-cli)
set(known_layers core serial registry print ui cli)

set(violations "")
function(check_file file layer)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" target "${line}")
        if(target MATCHES "\\.\\./")
            list(APPEND violations "${file}: ${target} (a path that leaves the folder)")
            continue()
        endif()
        if(NOT target MATCHES "/")
            continue() # a file of the same folder
        endif()
        string(REGEX REPLACE "/.*" "" first "${target}")
        list(FIND known_layers "${first}" is_layer)
        if(is_layer EQUAL -1)
            continue() # the simulator's own "simulator/..." and the like
        endif()
        list(FIND allowed_${layer} "${first}" ok)
        if(ok EQUAL -1)
            list(APPEND violations "${file}: ${target} (${layer} may not include ${first})")
        endif()
    endforeach()
    set(violations "${violations}" PARENT_SCOPE)
endfunction()

foreach(layer IN LISTS layer_dirs)
    file(GLOB_RECURSE files "${ROOT}/src/${layer}/*.h" "${ROOT}/src/${layer}/*.cpp")
    foreach(f IN LISTS files)
        check_file("${f}" "${layer}")
    endforeach()
endforeach()
file(GLOB_RECURSE files "${ROOT}/tools/simulator/*.h" "${ROOT}/tools/simulator/*.cpp")
foreach(f IN LISTS files)
    check_file("${f}" simulator)
endforeach()

# Only QtCore may reach the core: a header of another Qt module there would drag it in.
file(GLOB_RECURSE core_files "${ROOT}/src/core/*.h" "${ROOT}/src/core/*.cpp")
foreach(f IN LISTS core_files)
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*<Q")
    foreach(line IN LISTS lines)
        if(line MATCHES "<Qt(Widgets|Gui|SerialPort|Sql|Test|Network)/|<Q(Widget|Application|SerialPort|SerialPortInfo|Sql[A-Za-z]*|Color|Font|Pixmap|Icon|Painter)>")
            list(APPEND violations "${f}: ${line} (the core uses QtCore only)")
        endif()
    endforeach()
endforeach()

# The register works without a display: no window or serial-port module there.
file(GLOB_RECURSE registry_files "${ROOT}/src/registry/*.h" "${ROOT}/src/registry/*.cpp")
foreach(f IN LISTS registry_files)
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*<Q")
    foreach(line IN LISTS lines)
        if(line MATCHES "<Qt(Widgets|Gui|SerialPort)/|<Q(Widget|Application|GuiApplication|SerialPort|SerialPortInfo|Color|Font|Pixmap|Icon|Painter|PdfWriter)>")
            list(APPEND violations "${f}: ${line} (the register uses QtCore and QtSql only)")
        endif()
    endforeach()
endforeach()

list(LENGTH violations count)
if(count GREATER 0)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "Layering broken in ${count} place(s):\n  ${text}")
endif()
message(STATUS "Layers: every include goes to its own layer or a lower one")
