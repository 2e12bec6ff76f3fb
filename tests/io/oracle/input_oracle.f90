! Input oracle: reads each case file as gfortran reads it and writes what
! it read, so that the namelist and free-form readers can be compared with
! it. Standard input holds one case per line, "N path" or "F path":
!   N: the namelist group QUORLNML with jbon, jpd (integers), delta
!      (real(16)), what, why (12 characters);
!   F: one list-directed read of n (integer), x, y (real(16)), c (8
!      characters).
! For each case the output is "CASE", the status (0 read whole, -1 end of
! file, 1 an error), then the values one per line: integers as i0, reals
! as es50.40 (NaN and Infinity as gfortran spells them), texts in brackets.
program input_oracle
  implicit none
  integer :: jbon, jpd, n, ios
  real(16) :: delta, x, y
  character(len=12) :: what, why
  character(len=8) :: c
  character(len=4096) :: line
  namelist /quorlnml/ jbon, jpd, delta, what, why

  do
    read(*, '(a)', iostat=ios) line
    if (ios /= 0) exit
    jbon = -1
    jpd = -1
    delta = -1
    what = 'start'
    why = 'start'
    n = -1
    x = -1
    y = -1
    c = 'start'
    open(10, file=trim(line(3:)), status='old', action='read')
    if (line(1:1) == 'N') then
      read(10, nml=quorlnml, iostat=ios)
    else
      read(10, *, iostat=ios) n, x, y, c
    end if
    close(10)
    write(*, '(a)') 'CASE'
    write(*, '(i0)') max(-1, min(1, ios))
    if (line(1:1) == 'N') then
      write(*, '(i0)') jbon
      write(*, '(i0)') jpd
      write(*, '(es50.40)') delta
      write(*, '(3a)') '[', what, ']'
      write(*, '(3a)') '[', why, ']'
    else
      write(*, '(i0)') n
      write(*, '(es50.40)') x
      write(*, '(es50.40)') y
      write(*, '(3a)') '[', c, ']'
    end if
  end do
end program input_oracle
