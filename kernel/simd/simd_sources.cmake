# The vectorised voice renderer, added to the kernel's objects. Each instruction set's resonator
# bank gets its own compile flags; nothing else is built for more than the baseline, so the
# kernel still loads on any x86-64 CPU and picks the widest bank at run time.
target_sources(zuriz_kernel_objects PRIVATE ${CMAKE_CURRENT_LIST_DIR}/modal_render_simd.cpp)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(_simd ${CMAKE_CURRENT_LIST_DIR})
  target_sources(zuriz_kernel_objects PRIVATE
    ${_simd}/resonator_bank_sse2.cpp
    ${_simd}/resonator_bank_avx2.cpp
    ${_simd}/resonator_bank_avx512.cpp)
  set_source_files_properties(${_simd}/resonator_bank_avx2.cpp
    PROPERTIES COMPILE_OPTIONS "-mavx2;-mfma")
  set_source_files_properties(${_simd}/resonator_bank_avx512.cpp
    PROPERTIES COMPILE_OPTIONS "-mavx512f;-mavx2;-mfma")
endif()
