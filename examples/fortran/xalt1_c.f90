! Fortran 2008 bindings of xalt1's C interface (xalt1_c.h) through iso_c_binding: the handle is
! a type(c_ptr), a state the interoperable type xalt1_state, strings end in c_null_char.
module xalt1_c
    use, intrinsic :: iso_c_binding
    implicit none

    integer(c_int), parameter :: XALT1_OK = 0
    integer(c_int), parameter :: XALT1_MOLAR = 0, XALT1_MASS = 1, XALT1_SI = 2, XALT1_SI_MOLAR = 3
    integer(c_int), parameter :: XALT1_REFERENCE_TABLE = 0
    integer(c_int), parameter :: XALT1_TD = 0, XALT1_TP = 1, XALT1_PD = 2, XALT1_PH = 3, &
                                 XALT1_PS = 4, XALT1_TX = 5, XALT1_PX = 6, XALT1_HS = 7
    integer(c_int), parameter :: XALT1_ANY_PHASE = 0

    type, bind(c) :: xalt1_state
        real(c_double) :: T, p, D, u, h, s, cv, cp, f, g, w, mu_JT, kappa_T, x
        integer(c_int) :: phase
    end type xalt1_state

    interface
        integer(c_int) function xalt1_load(code, table, units, reference, fluid) &
                bind(c, name="xalt1_load")
            import :: c_int, c_char, c_ptr
            character(kind=c_char), dimension(*), intent(in) :: code
            type(c_ptr), value :: table
            integer(c_int), value :: units, reference
            type(c_ptr), intent(out) :: fluid
        end function xalt1_load

        integer(c_int) function xalt1_free(fluid) bind(c, name="xalt1_free")
            import :: c_int, c_ptr
            type(c_ptr), value :: fluid
        end function xalt1_free

        integer(c_int) function xalt1_state_of(fluid, input, first, second, phase, state) &
                bind(c, name="xalt1_state_of")
            import :: c_int, c_double, c_ptr, xalt1_state
            type(c_ptr), value :: fluid
            integer(c_int), value :: input, phase
            real(c_double), value :: first, second
            type(xalt1_state), intent(out) :: state
        end function xalt1_state_of

        integer(c_int) function xalt1_states(fluid, input, first, first_stride, second, &
                second_stride, n, phase, states, status, failed) bind(c, name="xalt1_states")
            import :: c_int, c_double, c_ptr, c_ptrdiff_t, c_size_t, xalt1_state
            type(c_ptr), value :: fluid
            integer(c_int), value :: input, phase
            real(c_double), dimension(*), intent(in) :: first, second
            integer(c_ptrdiff_t), value :: first_stride, second_stride
            integer(c_size_t), value :: n
            type(xalt1_state), dimension(*), intent(out) :: states
            integer(c_int), dimension(*), intent(out) :: status
            integer(c_size_t), intent(out) :: failed
        end function xalt1_states

        integer(c_size_t) function xalt1_last_error_copy(buffer, size) &
                bind(c, name="xalt1_last_error_copy")
            import :: c_size_t, c_char
            character(kind=c_char), dimension(*), intent(out) :: buffer
            integer(c_size_t), value :: size
        end function xalt1_last_error_copy
    end interface

contains

    ! The thread's last error message as a Fortran string.
    function xalt1_message() result(message)
        character(len=:), allocatable :: message
        character(kind=c_char) :: buffer(512)
        integer(c_size_t) :: length
        integer :: i
        length = min(xalt1_last_error_copy(buffer, size(buffer, kind=c_size_t)), 511_c_size_t)
        allocate(character(len=length) :: message)
        do i = 1, int(length)
            message(i:i) = buffer(i)
        end do
    end function xalt1_message

end module xalt1_c
