! R1234yf at p = 1 MPa and h = 420 kJ/kg from Fortran through the C interface, then an isobar as
! one array call (the pressure repeated with stride 0).
program state
    use xalt1_c
    implicit none
    type(c_ptr) :: fluid
    type(xalt1_state) :: st, states(3)
    integer(c_int) :: status(3)
    integer(c_size_t) :: failed
    real(c_double) :: p(1) = [1.0_c_double], h(3) = [300.0_c_double, 420.0_c_double, 5000.0_c_double]

    if (xalt1_load("R1234yf" // c_null_char, c_null_ptr, XALT1_MASS, XALT1_REFERENCE_TABLE, &
                   fluid) /= XALT1_OK) then
        print '(a)', xalt1_message()
        stop 1
    end if
    if (xalt1_state_of(fluid, XALT1_PH, 1.0_c_double, 420.0_c_double, XALT1_ANY_PHASE, st) &
            /= XALT1_OK) then
        print '(a)', xalt1_message()
        stop 1
    end if
    print '(a, es24.17, a, es24.17, a, es24.17, a, i0)', 'Fortran: T=', st%T, ' D=', st%D, &
        ' s=', st%s, ' phase=', st%phase
    if (xalt1_states(fluid, XALT1_PH, p, 0_c_ptrdiff_t, h, 1_c_ptrdiff_t, 3_c_size_t, &
                     XALT1_ANY_PHASE, states, status, failed) /= XALT1_OK) then
        print '(a, i0, 2a)', 'failed elements: ', failed, ', the first: ', xalt1_message()
    end if
    print '(a, 3f10.3)', 'T along the isobar:', states(1:2)%T, states(3)%T
    if (xalt1_free(fluid) /= XALT1_OK) stop 1
end program state
