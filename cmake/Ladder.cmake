# The folders of src/ form a ladder: each may use only the folders below it.
# The build keeps it. Every folder is a library of its own that links only the
# libraries below it, and compiles against an include tree that holds links
# to its own folder and to those below it alone, so an include of a folder
# higher up is no file at all and fails to build. (An include written
# relative to the file, "../ui/Skin.h", still finds it: the layering test
# reads those.)
#
#   zelvane_folder(NAME [BELOW folder...] [LINK target...] SOURCES file...)
#
# BELOW names every folder it may include, lower ones of those included;
# LINK the other libraries it uses; SOURCES its files, headers included, as
# they stand in src/NAME/.
function(zelvane_folder name)
  cmake_parse_arguments(F "" "" "BELOW;LINK;SOURCES" ${ARGN})
  set(tree ${CMAKE_BINARY_DIR}/ladder/${name})
  file(REMOVE_RECURSE ${tree})
  file(MAKE_DIRECTORY ${tree})
  foreach(folder IN LISTS name F_BELOW)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${tree}/${folder} SYMBOLIC)
  endforeach()
  list(TRANSFORM F_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/src/${name}/)
  add_library(zelvane_${name} STATIC ${F_SOURCES})
  target_include_directories(zelvane_${name} PRIVATE ${tree})
  foreach(folder IN LISTS F_BELOW)
    target_link_libraries(zelvane_${name} PUBLIC zelvane_${folder})
  endforeach()
  target_link_libraries(zelvane_${name} PUBLIC ${F_LINK})
  set_property(TARGET zelvane_${name} PROPERTY ZELVANE_LADDER_TREE ${tree})
endfunction()

# A program or a library beside the ladder that compiles against folder
# NAME's include tree.
function(zelvane_uses_folder target name)
  get_target_property(tree zelvane_${name} ZELVANE_LADDER_TREE)
  target_include_directories(${target} PRIVATE ${tree})
  target_link_libraries(${target} PRIVATE zelvane_${name})
endfunction()
