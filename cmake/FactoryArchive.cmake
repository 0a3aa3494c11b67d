# The factory content archive: the folder tree of factory presets and section presets is packed by
# tools/factory_archive.cpp into the archive layout and embedded as the resource "WindowsSetupDocs".
#
# The tree is built by resources/factory/ (its target kestrum_factory_tree writes
# ${CMAKE_BINARY_DIR}/factory/tree and the stamp tree.stamp). The preset compiler behind it links
# the product, so the archive cannot live in the platform library: it goes into an OBJECT library
# whose objects reach every program through kestrum_core and register themselves into the resource
# store at start-up.

find_package(ZLIB REQUIRED)
target_link_libraries(kestrum_presets PUBLIC ZLIB::ZLIB)

add_executable(kestrum_factory_archive ${CMAKE_SOURCE_DIR}/tools/factory_archive.cpp)
target_link_libraries(kestrum_factory_archive PRIVATE kestrum_presets)

set(KESTRUM_FACTORY_DIR ${CMAKE_BINARY_DIR}/factory)
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/factory/CMakeLists.txt)
  add_subdirectory(${CMAKE_SOURCE_DIR}/resources/factory ${CMAKE_BINARY_DIR}/resources/factory)
  set(KESTRUM_FACTORY_TREE ${KESTRUM_FACTORY_DIR}/tree)
  set(KESTRUM_FACTORY_TREE_DEPENDS kestrum_factory_tree ${KESTRUM_FACTORY_DIR}/tree.stamp)
else()
  # Until the factory presets exist: the folders alone, so the archive and its installer work.
  set(KESTRUM_FACTORY_TREE ${KESTRUM_FACTORY_DIR}/placeholder-tree)
  foreach(folder EF EG Filters MIDI Slots XLFO)
    file(MAKE_DIRECTORY "${KESTRUM_FACTORY_TREE}/ApplicationData/Component Presets/${folder}")
  endforeach()
  file(MAKE_DIRECTORY ${KESTRUM_FACTORY_TREE}/FactoryPresets)
  set(KESTRUM_FACTORY_TREE_DEPENDS)
endif()

set(KESTRUM_FACTORY_ARCHIVE ${KESTRUM_FACTORY_DIR}/WindowsSetupDocs)
add_custom_command(
  OUTPUT ${KESTRUM_FACTORY_ARCHIVE}
  COMMAND kestrum_factory_archive ${KESTRUM_FACTORY_ARCHIVE} ${KESTRUM_FACTORY_TREE}
  DEPENDS kestrum_factory_archive ${KESTRUM_FACTORY_TREE_DEPENDS}
  COMMENT "Packing the factory content archive"
  VERBATIM)

set(KESTRUM_FACTORY_LIST_FILE ${KESTRUM_FACTORY_DIR}/FactoryArchive.txt)
file(GENERATE OUTPUT ${KESTRUM_FACTORY_LIST_FILE} CONTENT "${KESTRUM_FACTORY_ARCHIVE}\n")
set(KESTRUM_FACTORY_SOURCE ${CMAKE_BINARY_DIR}/generated/FactoryArchive.cpp)
add_custom_command(
  OUTPUT ${KESTRUM_FACTORY_SOURCE}
  COMMAND kestrum_embed_resources --register ${KESTRUM_FACTORY_SOURCE} ${KESTRUM_FACTORY_LIST_FILE}
  DEPENDS kestrum_embed_resources ${KESTRUM_FACTORY_ARCHIVE} ${KESTRUM_FACTORY_LIST_FILE}
  COMMENT "Embedding the factory content archive"
  VERBATIM)

# Objects rather than a static library, so the linker keeps the registration nobody refers to.
add_library(kestrum_factory_content OBJECT ${KESTRUM_FACTORY_SOURCE})
target_link_libraries(kestrum_factory_content PRIVATE kestrum_platform)
set_target_properties(kestrum_factory_content PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_sources(kestrum_core INTERFACE $<TARGET_OBJECTS:kestrum_factory_content>)
