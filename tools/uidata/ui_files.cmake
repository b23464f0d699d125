# Assembles Contents/Resources/ui of the bundle: the repository's UI files, the generated
# families.json and js/param_table.js, then manifest.json over all of them (last, so it covers
# the others).
# Runs on every build; the tool leaves files alone that would not change.
#   -DSOURCE=<repo>/Resources -DDEST=<bundle>/Contents/Resources -DREPO=<repo> -DTOOL=<zuriz-uidata>
#   -DCOPY_SCRIPT=<module/copy_resources.cmake>
include(${COPY_SCRIPT})
set(ui ${DEST}/ui)
file(MAKE_DIRECTORY ${ui})

execute_process(COMMAND ${TOOL} families ${ui}/families.json COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${TOOL} params ${ui}/js/param_table.js COMMAND_ERROR_IS_FATAL ANY)

# UTC; string(TIMESTAMP) takes SOURCE_DATE_EPOCH from the environment when it is set.
string(TIMESTAMP build_time "%Y-%m-%dT%H:%M:%SZ" UTC)

# The checkout's revision, "-dirty" when tracked files differ from it; "unknown" outside one.
set(revision unknown)
find_program(GIT_PROGRAM git)
if(GIT_PROGRAM)
  execute_process(COMMAND ${GIT_PROGRAM} -C ${REPO} rev-parse --verify HEAD
                  RESULT_VARIABLE rc OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(rc EQUAL 0 AND head MATCHES "^[0-9a-f]+$")
    set(revision ${head})
    execute_process(COMMAND ${GIT_PROGRAM} -C ${REPO} status --porcelain --untracked-files=no
                    RESULT_VARIABLE rc OUTPUT_VARIABLE changes ERROR_QUIET)
    if(NOT rc EQUAL 0 OR NOT changes STREQUAL "")
      string(APPEND revision "-dirty")
    endif()
  endif()
else()
  # Without git: follow .git (a folder, or a worktree's "gitdir:" file) to HEAD and its ref.
  # Whether the tree is modified cannot be told this way.
  set(git_dir ${REPO}/.git)
  if(EXISTS ${git_dir} AND NOT IS_DIRECTORY ${git_dir})
    file(STRINGS ${git_dir} pointer LIMIT_COUNT 1 REGEX "^gitdir: ")
    string(REGEX REPLACE "^gitdir: *" "" git_dir "${pointer}")
    get_filename_component(git_dir "${git_dir}" ABSOLUTE BASE_DIR ${REPO})
  endif()
  set(common_dir ${git_dir})
  if(EXISTS ${git_dir}/commondir)
    file(STRINGS ${git_dir}/commondir common LIMIT_COUNT 1)
    get_filename_component(common_dir "${common}" ABSOLUTE BASE_DIR ${git_dir})
  endif()
  if(EXISTS ${git_dir}/HEAD)
    file(STRINGS ${git_dir}/HEAD head LIMIT_COUNT 1)
    if(head MATCHES "^ref: *(.+)$")
      set(ref ${CMAKE_MATCH_1})
      foreach(dir ${git_dir} ${common_dir})
        if(revision STREQUAL "unknown" AND EXISTS ${dir}/${ref})
          file(STRINGS ${dir}/${ref} head LIMIT_COUNT 1)
          set(revision ${head})
        endif()
      endforeach()
      if(revision STREQUAL "unknown" AND EXISTS ${common_dir}/packed-refs)
        file(STRINGS ${common_dir}/packed-refs packed REGEX " ${ref}$")
        if(packed MATCHES "^([0-9a-f]+) ")
          set(revision ${CMAKE_MATCH_1})
        endif()
      endif()
    elseif(head MATCHES "^[0-9a-f]+$")
      set(revision ${head})
    endif()
  endif()
endif()

execute_process(COMMAND ${TOOL} manifest ${ui} ${build_time} ${revision} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "writing manifest.json failed")
endif()
