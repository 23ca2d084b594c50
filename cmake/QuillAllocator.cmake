# The programs allocate through mimalloc where it is installed. A conversion
# makes and frees a few small objects per cell, many of them on one thread
# and freed on another (rows read ahead); glibc's allocator spends about a
# sixth of a conversion's time on that. Sanitizer builds keep their own
# allocator, and a machine without mimalloc builds with glibc's.
option(QUILL_MIMALLOC "Link the programs with mimalloc when it is installed" ON)
set(QUILL_ALLOCATOR "")
if(QUILL_MIMALLOC AND NOT QUILL_SANITIZE)
  find_package(mimalloc CONFIG QUIET)
  if(TARGET mimalloc)
    set(QUILL_ALLOCATOR mimalloc)
    message(STATUS "Programs allocate through mimalloc")
  else()
    message(STATUS "mimalloc not found: programs allocate through glibc")
  endif()
endif()

# Makes target allocate through the chosen allocator. Linking the shared
# library first is enough: its malloc and operator new then serve the whole
# process, ODBC drivers loaded later included.
function(quill_use_allocator target)
  if(QUILL_ALLOCATOR)
    target_link_libraries(${target} PRIVATE ${QUILL_ALLOCATOR})
  endif()
endfunction()
