# Each library exposes its own folder and nothing else: the build tree holds,
# per library, a link named like the source folder, so "drive/Mmc.h" resolves
# only in targets that link brenmark_drive. A layer that includes a header of a
# layer it does not link fails to compile instead of reaching upward.
function(brenmark_expose_folder target folder)
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
