! Format oracle: writes what gfortran writes for each case read from
! standard input, so that the C++ writer can be compared with it.
!
! A case is: a line with the format text (or '*' for list-directed output),
! a line with the item count n, then n item lines "kind payload":
!   1 int32 value, 2 int64 value, 3 real32 bits (as int32), 4 real64 bits
!   (as int64), 5 real128 bits (low and high int64), 6 text length, with the
!   text on the following line.
! Items go into one write statement whose list is 8 rounds of the six
! kinds in that order; a kind lower than the one before starts a new round.
! After each case's output comes a line (or record end) "<SOH>END", or
! "<SOH>ERR" when gfortran reported an error.
program format_oracle
  implicit none
  integer, parameter :: maxItems = 400, rounds = 8
  integer(4) :: i4a(maxItems)
  integer(8) :: i8a(maxItems), bits(2)
  real(4) :: r4a(maxItems)
  real(8) :: r8a(maxItems)
  real(16) :: r16a(maxItems)
  character(len=400) :: cha(maxItems)
  integer :: clen(maxItems)
  integer :: s(6, rounds), e(6, rounds), counts(6)
  character(len=2000) :: fmt
  integer :: n, i, k, kind, prev, round, ios, flen
  integer(4) :: b4

  do
    read(*, '(a)', iostat=ios) fmt
    if (ios /= 0) exit
    flen = len_trim(fmt)
    read(*, *) n
    counts = 0
    s = 1
    e = 0
    prev = 0
    round = 1
    do i = 1, n
      read(*, '(i1)', advance='no') kind
      if (kind < prev) round = round + 1
      prev = kind
      counts(kind) = counts(kind) + 1
      k = counts(kind)
      if (e(kind, round) == 0) s(kind, round) = k
      e(kind, round) = k
      select case (kind)
      case (1)
        read(*, *) i4a(k)
      case (2)
        read(*, *) i8a(k)
      case (3)
        read(*, *) b4
        r4a(k) = transfer(b4, r4a(k))
      case (4)
        read(*, *) bits(1)
        r8a(k) = transfer(bits(1), r8a(k))
      case (5)
        read(*, *) bits(1), bits(2)
        r16a(k) = transfer(bits, r16a(k))
      case (6)
        read(*, *) clen(k)
        read(*, '(a)') cha(k)
      end select
    end do
    if (fmt(1:flen) == '*') then
      write(*, *, iostat=ios) (i4a(k), k=s(1,1),e(1,1)), &
        (i8a(k), k=s(2,1),e(2,1)), &
        (r4a(k), k=s(3,1),e(3,1)), &
        (r8a(k), k=s(4,1),e(4,1)), &
        (r16a(k), k=s(5,1),e(5,1)), &
        (cha(k)(1:clen(k)), k=s(6,1),e(6,1)), &
        (i4a(k), k=s(1,2),e(1,2)), &
        (i8a(k), k=s(2,2),e(2,2)), &
        (r4a(k), k=s(3,2),e(3,2)), &
        (r8a(k), k=s(4,2),e(4,2)), &
        (r16a(k), k=s(5,2),e(5,2)), &
        (cha(k)(1:clen(k)), k=s(6,2),e(6,2)), &
        (i4a(k), k=s(1,3),e(1,3)), &
        (i8a(k), k=s(2,3),e(2,3)), &
        (r4a(k), k=s(3,3),e(3,3)), &
        (r8a(k), k=s(4,3),e(4,3)), &
        (r16a(k), k=s(5,3),e(5,3)), &
        (cha(k)(1:clen(k)), k=s(6,3),e(6,3)), &
        (i4a(k), k=s(1,4),e(1,4)), &
        (i8a(k), k=s(2,4),e(2,4)), &
        (r4a(k), k=s(3,4),e(3,4)), &
        (r8a(k), k=s(4,4),e(4,4)), &
        (r16a(k), k=s(5,4),e(5,4)), &
        (cha(k)(1:clen(k)), k=s(6,4),e(6,4)), &
        (i4a(k), k=s(1,5),e(1,5)), &
        (i8a(k), k=s(2,5),e(2,5)), &
        (r4a(k), k=s(3,5),e(3,5)), &
        (r8a(k), k=s(4,5),e(4,5)), &
        (r16a(k), k=s(5,5),e(5,5)), &
        (cha(k)(1:clen(k)), k=s(6,5),e(6,5)), &
        (i4a(k), k=s(1,6),e(1,6)), &
        (i8a(k), k=s(2,6),e(2,6)), &
        (r4a(k), k=s(3,6),e(3,6)), &
        (r8a(k), k=s(4,6),e(4,6)), &
        (r16a(k), k=s(5,6),e(5,6)), &
        (cha(k)(1:clen(k)), k=s(6,6),e(6,6)), &
        (i4a(k), k=s(1,7),e(1,7)), &
        (i8a(k), k=s(2,7),e(2,7)), &
        (r4a(k), k=s(3,7),e(3,7)), &
        (r8a(k), k=s(4,7),e(4,7)), &
        (r16a(k), k=s(5,7),e(5,7)), &
        (cha(k)(1:clen(k)), k=s(6,7),e(6,7)), &
        (i4a(k), k=s(1,8),e(1,8)), &
        (i8a(k), k=s(2,8),e(2,8)), &
        (r4a(k), k=s(3,8),e(3,8)), &
        (r8a(k), k=s(4,8),e(4,8)), &
        (r16a(k), k=s(5,8),e(5,8)), &
        (cha(k)(1:clen(k)), k=s(6,8),e(6,8))
    else
      write(*, fmt(1:flen), iostat=ios) (i4a(k), k=s(1,1),e(1,1)), &
        (i8a(k), k=s(2,1),e(2,1)), &
        (r4a(k), k=s(3,1),e(3,1)), &
        (r8a(k), k=s(4,1),e(4,1)), &
        (r16a(k), k=s(5,1),e(5,1)), &
        (cha(k)(1:clen(k)), k=s(6,1),e(6,1)), &
        (i4a(k), k=s(1,2),e(1,2)), &
        (i8a(k), k=s(2,2),e(2,2)), &
        (r4a(k), k=s(3,2),e(3,2)), &
        (r8a(k), k=s(4,2),e(4,2)), &
        (r16a(k), k=s(5,2),e(5,2)), &
        (cha(k)(1:clen(k)), k=s(6,2),e(6,2)), &
        (i4a(k), k=s(1,3),e(1,3)), &
        (i8a(k), k=s(2,3),e(2,3)), &
        (r4a(k), k=s(3,3),e(3,3)), &
        (r8a(k), k=s(4,3),e(4,3)), &
        (r16a(k), k=s(5,3),e(5,3)), &
        (cha(k)(1:clen(k)), k=s(6,3),e(6,3)), &
        (i4a(k), k=s(1,4),e(1,4)), &
        (i8a(k), k=s(2,4),e(2,4)), &
        (r4a(k), k=s(3,4),e(3,4)), &
        (r8a(k), k=s(4,4),e(4,4)), &
        (r16a(k), k=s(5,4),e(5,4)), &
        (cha(k)(1:clen(k)), k=s(6,4),e(6,4)), &
        (i4a(k), k=s(1,5),e(1,5)), &
        (i8a(k), k=s(2,5),e(2,5)), &
        (r4a(k), k=s(3,5),e(3,5)), &
        (r8a(k), k=s(4,5),e(4,5)), &
        (r16a(k), k=s(5,5),e(5,5)), &
        (cha(k)(1:clen(k)), k=s(6,5),e(6,5)), &
        (i4a(k), k=s(1,6),e(1,6)), &
        (i8a(k), k=s(2,6),e(2,6)), &
        (r4a(k), k=s(3,6),e(3,6)), &
        (r8a(k), k=s(4,6),e(4,6)), &
        (r16a(k), k=s(5,6),e(5,6)), &
        (cha(k)(1:clen(k)), k=s(6,6),e(6,6)), &
        (i4a(k), k=s(1,7),e(1,7)), &
        (i8a(k), k=s(2,7),e(2,7)), &
        (r4a(k), k=s(3,7),e(3,7)), &
        (r8a(k), k=s(4,7),e(4,7)), &
        (r16a(k), k=s(5,7),e(5,7)), &
        (cha(k)(1:clen(k)), k=s(6,7),e(6,7)), &
        (i4a(k), k=s(1,8),e(1,8)), &
        (i8a(k), k=s(2,8),e(2,8)), &
        (r4a(k), k=s(3,8),e(3,8)), &
        (r8a(k), k=s(4,8),e(4,8)), &
        (r16a(k), k=s(5,8),e(5,8)), &
        (cha(k)(1:clen(k)), k=s(6,8),e(6,8))
    end if
    if (ios == 0) then
      write(*, '(a)') achar(1) // 'END'
    else
      write(*, '(/a)') achar(1) // 'ERR'
    end if
  end do
end program format_oracle
