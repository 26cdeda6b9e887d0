<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>Texts</name>
    <message>
        <source>у параметра --%1 нет значения</source>
        <translation>option --%1 has no value</translation>
    </message>
    <message>
        <source>параметр --%1 не принимает значения</source>
        <translation>option --%1 takes no value</translation>
    </message>
    <message>
        <source>--interval: нужно число миллисекунд от 10 до 3600000</source>
        <translation>--interval: needs a number of milliseconds from 10 to 3600000</translation>
    </message>
    <message>
        <source>--%1: нужно целое число от %2 до %3</source>
        <translation>--%1: needs a whole number from %2 to %3</translation>
    </message>
    <message>
        <source>неизвестный параметр %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>scan [--scan-wait MS]
  Опрос сети (31 FF DC): адреса ответивших устройств.</source>
        <translation>scan [--scan-wait MS]
  Bus scan (31 FF DC): addresses of the devices that answered.</translation>
    </message>
    <message>
        <source>inventory
  Опрос сети, затем идентификация и настройки каждого найденного устройства.</source>
        <translation>inventory
  Bus scan, then identification and settings of every device found.</translation>
    </message>
    <message>
        <source>identify -a A
  Серийный номер, тип устройства и версия.</source>
        <translation>identify -a A
  Serial number, device type and version.</translation>
    </message>
    <message>
        <source>live -a A [--watch] [--interval MS]
  Текущие параметры; с --watch строка на каждое чтение до Ctrl-C.</source>
        <translation>live -a A [--watch] [--interval MS]
  Current parameters; with --watch, a line for every reading until Ctrl-C.</translation>
    </message>
    <message>
        <source>settings -a A
  Режим, сеть, канал и мощность.</source>
        <translation>settings -a A
  Mode, network, channel and power.</translation>
    </message>
    <message>
        <source>set-mode -a A РЕЖИМ [--master] [--frequency-output] [--verify]
  РЕЖИМ: reader, indicator, powered-tag, bridge, repeater или номер 0, 1, 2, 6, 16.</source>
        <translation>set-mode -a A MODE [--master] [--frequency-output] [--verify]
  MODE: reader, indicator, powered-tag, bridge, repeater or number 0, 1, 2, 6, 16.</translation>
    </message>
    <message>
        <source>calibrate -a A high|low --yes
  Перекалибровка уровня; без --yes не выполняется.</source>
        <translation>calibrate -a A high|low --yes
  Level recalibration; not performed without --yes.</translation>
    </message>
    <message>
        <source>bridge -a A read
  Данные ведомого устройства моста и его значение RS485.</source>
        <translation>bridge -a A read
  Data of the bridge&apos;s slave device and its RS485 value.</translation>
    </message>
    <message>
        <source>batch ФАЙЛ|- [--keep-going]
  По команде в строке, # начинает комментарий; останавливается на первой ошибке, в конце - итоговая строка.</source>
        <translation>batch FILE|- [--keep-going]
  One command per line, # starts a comment; stops at the first error, a summary line at the end.</translation>
    </message>
    <message>
        <source>устройство ответило без нужных данных</source>
        <translation>the device replied without the expected data</translation>
    </message>
    <message>
        <source>Выполнено.</source>
        <translation>Done.</translation>
    </message>
    <message>
        <source>не задана команда; kestrel-cli --help - список команд</source>
        <translation>no command given; kestrel-cli --help - list of commands</translation>
    </message>
    <message>
        <source>неизвестная команда %1</source>
        <translation>unknown command %1</translation>
    </message>
    <message>
        <source>использование: kestrel-cli </source>
        <translation>usage: kestrel-cli </translation>
    </message>
    <message>
        <source>прервано</source>
        <translation>interrupted</translation>
    </message>
    <message>
        <source>адрес %1: %2 (попыток: %3)</source>
        <translation>address %1: %2 (attempts: %3)</translation>
    </message>
    <message>
        <source>проверка не прошла: %1 %2, ожидалось %3</source>
        <translation>verification failed: %1 %2, expected %3</translation>
    </message>
    <message>
        <source>порт потерян: %1</source>
        <translation>port lost: %1</translation>
    </message>
    <message>
        <source>ответ на опрос сети не читается: %1</source>
        <translation>unreadable reply to the bus scan: %1</translation>
    </message>
    <message>
        <source>Устройства не ответили.</source>
        <translation>No devices answered.</translation>
    </message>
    <message>
        <source>Найдены адреса: </source>
        <translation>Addresses found: </translation>
    </message>
    <message>
        <source>адрес %1: %2; %3</source>
        <translation>address %1: %2; %3</translation>
    </message>
    <message>
        <source>адрес %1: %2</source>
        <translation>address %1: %2</translation>
    </message>
    <message>
        <source>режим %1, сеть %2, канал %3, мощность %4</source>
        <translation>mode %1, network %2, channel %3, power %4</translation>
    </message>
    <message>
        <source>серийный номер</source>
        <translation>serial number</translation>
    </message>
    <message>
        <source>неизвестный режим %1: reader, indicator, powered-tag, bridge, repeater или 0, 1, 2, 6, 16</source>
        <translation>unknown mode %1: reader, indicator, powered-tag, bridge, repeater or 0, 1, 2, 6, 16</translation>
    </message>
    <message>
        <source>режим</source>
        <translation>mode</translation>
    </message>
    <message>
        <source>сеть/канал/мощность</source>
        <translation>network/channel/power</translation>
    </message>
    <message>
        <source>Установлены параметры радио: сеть %1, канал %2, мощность %3.</source>
        <translation>Radio parameters set: network %1, channel %2, power %3.</translation>
    </message>
    <message>
        <source>calibrate high или calibrate low</source>
        <translation>calibrate high or calibrate low</translation>
    </message>
    <message>
        <source> Подтвердите параметром --yes.</source>
        <translation> Confirm with --yes.</translation>
    </message>
    <message>
        <source>bound-ids read, bound-ids set ЯЧЕЙКА ID или bound-ids clear</source>
        <translation>bound-ids read, bound-ids set CELL ID or bound-ids clear</translation>
    </message>
    <message>
        <source>ячейка %1</source>
        <translation>cell %1</translation>
    </message>
    <message>
        <source>reset-delay get или reset-delay set ЗАДЕРЖКА</source>
        <translation>reset-delay get or reset-delay set DELAY</translation>
    </message>
    <message>
        <source>задержка обнуления</source>
        <translation>reset delay</translation>
    </message>
    <message>
        <source>серийный номер метки</source>
        <translation>tag serial number</translation>
    </message>
    <message>
        <source>tag search, read, write, set-serial или set-id</source>
        <translation>tag search, read, write, set-serial or set-id</translation>
    </message>
    <message>
        <source>--id и --decimal-id вместе не задаются</source>
        <translation>--id and --decimal-id cannot be given together</translation>
    </message>
    <message>
        <source>параметры метки</source>
        <translation>tag parameters</translation>
    </message>
    <message>
        <source>не удалось записать %1: %2</source>
        <translation>could not write %1: %2</translation>
    </message>
    <message>
        <source>Настройки адреса %1 сохранены в %2</source>
        <translation>Settings of address %1 saved to %2</translation>
    </message>
    <message>
        <source>не удалось открыть %1: %2</source>
        <translation>could not open %1: %2</translation>
    </message>
    <message>
        <source>%1 не резервная копия настроек считывателя%2</source>
        <translation>%1 is not a backup of reader settings%2</translation>
    </message>
    <message>
        <source>--only: неизвестная часть %1 (mode, radio, bound-ids, reset-delay, serial)</source>
        <translation>--only: unknown part %1 (mode, radio, bound-ids, reset-delay, serial)</translation>
    </message>
    <message>
        <source>серийный номер записывается только с --with-serial</source>
        <translation>the serial number is written only with --with-serial</translation>
    </message>
    <message>
        <source>%1: неверный режим</source>
        <translation>%1: invalid mode</translation>
    </message>
    <message>
        <source>%1: нужно 10 привязанных ID</source>
        <translation>%1: 10 bound IDs are needed</translation>
    </message>
    <message>
        <source>%1, ячейка %2: %3</source>
        <translation>%1, cell %2: %3</translation>
    </message>
    <message>
        <source>%1 %2, ожидалось %3</source>
        <translation>%1 %2, expected %3</translation>
    </message>
    <message>
        <source>проверка не прошла: </source>
        <translation>verification failed: </translation>
    </message>
    <message>
        <source>Адрес %1: записано из %2: %3</source>
        <translation>Address %1: written from %2: %3</translation>
    </message>
    <message>
        <source>%1, строка %2: %3</source>
        <translation>%1, line %2: %3</translation>
    </message>
    <message>
        <source>строка длиннее %1 байт</source>
        <translation>line longer than %1 bytes</translation>
    </message>
    <message>
        <source>не текст в UTF-8</source>
        <translation>not UTF-8 text</translation>
    </message>
    <message>
        <source>незакрытая кавычка</source>
        <translation>unclosed quote</translation>
    </message>
    <message>
        <source>пакет внутри пакета не выполняется</source>
        <translation>a batch inside a batch is not run</translation>
    </message>
    <message>
        <source>%1: порт потерян на строке %2; выполнены строки: %3</source>
        <translation>%1: port lost at line %2; lines done: %3</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
    <message>
        <source>, прерван</source>
        <translation>, interrupted</translation>
    </message>
    <message>
        <source>kestrel-cli --help - список команд</source>
        <translation>kestrel-cli --help - list of commands</translation>
    </message>
    <message>
        <source>не задан порт: --port ПУТЬ или переменная KESTREL_PORT</source>
        <translation>no port given: --port PATH or the KESTREL_PORT variable</translation>
    </message>
    <message>
        <source>порт %1 недоступен%2</source>
        <translation>port %1 is not available%2</translation>
    </message>
    <message>
        <source>использование: kestrel-cli batch ФАЙЛ|-</source>
        <translation>usage: kestrel-cli batch FILE|-</translation>
    </message>
    <message>
        <source>текущие параметры</source>
        <translation>current parameters</translation>
    </message>
    <message>
        <source>идентификация</source>
        <translation>identification</translation>
    </message>
    <message>
        <source>сетевой адрес</source>
        <translation>network address</translation>
    </message>
    <message>
        <source>верхний уровень</source>
        <translation>upper level</translation>
    </message>
    <message>
        <source>нижний уровень</source>
        <translation>lower level</translation>
    </message>
    <message>
        <source>параметры радио</source>
        <translation>radio parameters</translation>
    </message>
    <message>
        <source>очистка привязанных ID</source>
        <translation>clear bound IDs</translation>
    </message>
    <message>
        <source>чтение привязанных ID</source>
        <translation>read bound IDs</translation>
    </message>
    <message>
        <source>привязанные ID</source>
        <translation>bound IDs</translation>
    </message>
    <message>
        <source>чтение задержки обнуления</source>
        <translation>read reset delay</translation>
    </message>
    <message>
        <source>поиск метки</source>
        <translation>tag search</translation>
    </message>
    <message>
        <source>чтение метки</source>
        <translation>tag read</translation>
    </message>
    <message>
        <source>запись метки</source>
        <translation>tag write</translation>
    </message>
    <message>
        <source>данные моста</source>
        <translation>bridge data</translation>
    </message>
    <message>
        <source>RS485 моста</source>
        <translation>bridge RS485</translation>
    </message>
    <message>
        <source>усреднение установлено</source>
        <translation>averaging set</translation>
    </message>
    <message>
        <source>усреднение снято</source>
        <translation>averaging cleared</translation>
    </message>
    <message>
        <source>инверсия</source>
        <translation>inversion</translation>
    </message>
    <message>
        <source>лампа/частота</source>
        <translation>lamp/frequency</translation>
    </message>
    <message>
        <source>код </source>
        <translation>code </translation>
    </message>
    <message>
        <source>Установите существующий сетевой адрес</source>
        <translation>Set an existing network address</translation>
    </message>
    <message>
        <source>Введите число в диапазоне 0....2 000 000</source>
        <translation>Enter a number in the range 0....2,000,000</translation>
    </message>
    <message>
        <source>Введите число в диапазоне 0....200</source>
        <translation>Enter a number in the range 0....200</translation>
    </message>
    <message>
        <source>номер ячейки должен быть от 1 до10</source>
        <translation>cell number must be from 1 to 10</translation>
    </message>
    <message>
        <source>Установите номер режима в диапазоне 1...9</source>
        <translation>Set a mode number in the range 1...9</translation>
    </message>
    <message>
        <source>Введены ошибочные данные</source>
        <translation>Invalid data entered</translation>
    </message>
    <message>
        <source>Идентификатор не является десятичным числом</source>
        <translation>The identifier is not a decimal number</translation>
    </message>
    <message>
        <source>Установите значение мощности в диапазоне -125 ... 125 дбм</source>
        <translation>Set a power value in the range -125 ... 125 dBm</translation>
    </message>
    <message>
        <source>Значение периода не может быть нулевым</source>
        <translation>The period cannot be zero</translation>
    </message>
    <message>
        <source>Сейчас будет произведена перекалибровка верхнего уровня. Вы уверены что это нужно?</source>
        <translation>The upper level will now be recalibrated. Are you sure you want this?</translation>
    </message>
    <message>
        <source>Сейчас будет произведена перекалибровка нижнего уровня. Вы уверены что это нужно?</source>
        <translation>The lower level will now be recalibrated. Are you sure you want this?</translation>
    </message>
    <message>
        <source>Приняты данные</source>
        <translation>Data received</translation>
    </message>
    <message>
        <source>Приняты доп. параметры считывателя</source>
        <translation>Extra reader parameters received</translation>
    </message>
    <message>
        <source> Установлен сетевой номер.</source>
        <translation> Network address set.</translation>
    </message>
    <message>
        <source>Установлен серийный номер.</source>
        <translation>Serial number set.</translation>
    </message>
    <message>
        <source> Установлен верхний уровень.</source>
        <translation> Upper level set.</translation>
    </message>
    <message>
        <source> Установлен нижний уровень.</source>
        <translation> Lower level set.</translation>
    </message>
    <message>
        <source> Установлен новый режим.</source>
        <translation> New mode set.</translation>
    </message>
    <message>
        <source> Установлено кол. усреднение.</source>
        <translation> Averaging count set.</translation>
    </message>
    <message>
        <source> Снято усреднение.</source>
        <translation> Averaging cleared.</translation>
    </message>
    <message>
        <source>Изменена инверсия.</source>
        <translation>Inversion changed.</translation>
    </message>
    <message>
        <source>Изменено состояние лампа/частота.</source>
        <translation>Lamp/frequency state changed.</translation>
    </message>
    <message>
        <source>Был ПИНГ.</source>
        <translation>PING received.</translation>
    </message>
    <message>
        <source>Считаны данные.</source>
        <translation>Data read.</translation>
    </message>
    <message>
        <source>Считаны параметры метки.</source>
        <translation>Tag parameters read.</translation>
    </message>
    <message>
        <source>Приняты данные моста</source>
        <translation>Bridge data received</translation>
    </message>
    <message>
        <source>Произошел опрос сети.</source>
        <translation>Bus scan done.</translation>
    </message>
    <message>
        <source>уровень</source>
        <translation>level</translation>
    </message>
    <message>
        <source>темп.</source>
        <translation>temp.</translation>
    </message>
    <message>
        <source>текущее</source>
        <translation>current</translation>
    </message>
    <message>
        <source>пустой</source>
        <translation>empty</translation>
    </message>
    <message>
        <source>второе</source>
        <translation>second</translation>
    </message>
    <message>
        <source>сеть</source>
        <translation>network</translation>
    </message>
    <message>
        <source>канал</source>
        <translation>channel</translation>
    </message>
    <message>
        <source>мощность</source>
        <translation>power</translation>
    </message>
    <message>
        <source>нет данных</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>сер. № ????????</source>
        <translation>S/N ????????</translation>
    </message>
    <message>
        <source>сер. №</source>
        <translation>S/N</translation>
    </message>
    <message>
        <source>тип</source>
        <translation>type</translation>
    </message>
    <message>
        <source>версия</source>
        <translation>version</translation>
    </message>
    <message>
        <source>привязанные ID: </source>
        <translation>bound IDs: </translation>
    </message>
    <message>
        <source>метка сер. №</source>
        <translation>tag S/N</translation>
    </message>
    <message>
        <source>метка</source>
        <translation>tag</translation>
    </message>
    <message>
        <source>задержка</source>
        <translation>delay</translation>
    </message>
    <message>
        <source>период</source>
        <translation>period</translation>
    </message>
    <message>
        <source>ведомый сер. №</source>
        <translation>slave S/N</translation>
    </message>
    <message>
        <source>частота</source>
        <translation>frequency</translation>
    </message>
    <message>
        <source>контакт</source>
        <translation>contact</translation>
    </message>
    <message>
        <source>замкнут</source>
        <translation>closed</translation>
    </message>
    <message>
        <source>разомкнут</source>
        <translation>open</translation>
    </message>
    <message>
        <source>ведомый</source>
        <translation>slave</translation>
    </message>
    <message>
        <source>новый режим</source>
        <translation>new mode</translation>
    </message>
    <message>
        <source>устройства в сети: </source>
        <translation>devices on the bus: </translation>
    </message>
    <message>
        <source>Ошибка записи в порт</source>
        <translation>Port write error</translation>
    </message>
    <message>
        <source>Cлишком много символов Идентификатора</source>
        <translation>Too many identifier characters</translation>
    </message>
    <message>
        <source>В строке имеются символы не принадлежащие HEX</source>
        <translation>The text contains non-HEX characters</translation>
    </message>
    <message>
        <source>устройство не найдено</source>
        <translation>device not found</translation>
    </message>
    <message>
        <source>нет прав доступа; пользователь должен состоять в группе dialout</source>
        <translation>permission denied; the user must be in the dialout group</translation>
    </message>
    <message>
        <source>порт занят другой программой (PID %1%2)</source>
        <translation>port is in use by another program (PID %1%2)</translation>
    </message>
    <message>
        <source>порт занят другой программой</source>
        <translation>port is in use by another program</translation>
    </message>
    <message>
        <source>это папка</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>файл не открыт</source>
        <translation>file not open</translation>
    </message>
    <message>
        <source>Не удалось записать журнал в файл %1: %2. Запись журнала в файл выключена.</source>
        <translation>Could not write the log to file %1: %2. Logging to file is turned off.</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Addr.</translation>
    </message>
    <message>
        <source>Команда</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Запрос</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>Ответ</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>мс</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>Итог</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Значение</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>поиск устройств в сети</source>
        <translation>bus device search</translation>
    </message>
    <message>
        <source>ответ</source>
        <translation>reply</translation>
    </message>
    <message>
        <source>нет ответа</source>
        <translation>no reply</translation>
    </message>
    <message>
        <source>ошибка CRC</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>мусор</source>
        <translation>junk</translation>
    </message>
    <message>
        <source>чужой адрес</source>
        <translation>wrong address</translation>
    </message>
    <message>
        <source>слишком длинный</source>
        <translation>too long</translation>
    </message>
    <message>
        <source>неизвестный код</source>
        <translation>unknown code</translation>
    </message>
    <message>
        <source>чужая команда</source>
        <translation>wrong command</translation>
    </message>
    <message>
        <source>событие</source>
        <translation>event</translation>
    </message>
    <message>
        <source>S/N ведомого</source>
        <translation>Slave S/N</translation>
    </message>
    <message>
        <source>Температура</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>Частота</source>
        <translation>Freq.</translation>
    </message>
    <message>
        <source>уровень приема</source>
        <translation>RX level</translation>
    </message>
    <message>
        <source>Данные RS485</source>
        <translation>RS485 data</translation>
    </message>
    <message>
        <source>Контакт</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>запрос Е8</source>
        <translation>query E8</translation>
    </message>
    <message>
        <source>Запрос 06</source>
        <translation>Query 06</translation>
    </message>
    <message>
        <source>&amp;Да</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Нет</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Нет данных</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>Не определены</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Нет данных со считывателя с номером </source>
        <translation>No data from reader number </translation>
    </message>
    <message>
        <source>Нет связи с меткой </source>
        <translation>No link to tag </translation>
    </message>
    <message>
        <source>Нет связи с удаленным считывателем</source>
        <translation>No link to the remote reader</translation>
    </message>
    <message>
        <source>Сетевой Адрес</source>
        <translation>Net address</translation>
    </message>
    <message>
        <source>Изменить &amp;сетевой адрес</source>
        <translation>Change network &amp;address</translation>
    </message>
    <message>
        <source>&amp;Поиск считывателя</source>
        <translation>&amp;Find reader</translation>
    </message>
    <message>
        <source>Устройства в сети:</source>
        <translation>Devices on bus:</translation>
    </message>
    <message>
        <source>Установки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>ID метки</source>
        <translation>Tag ID</translation>
    </message>
    <message>
        <source>Сетевой адрес</source>
        <translation>Net address</translation>
    </message>
    <message>
        <source>Пустой</source>
        <translation>Empty</translation>
    </message>
    <message>
        <source>Сер. Номер</source>
        <translation>Serial No.</translation>
    </message>
    <message>
        <source>Версия ПО</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Вращение</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <source>Считыватель</source>
        <translation>Reader</translation>
    </message>
    <message>
        <source>мост</source>
        <translation>bridge</translation>
    </message>
    <message>
        <source>Сервисная панель</source>
        <translation>Service panel</translation>
    </message>
    <message>
        <source>Текущие параметры</source>
        <translation>Current values</translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>Темп-ра</source>
        <translation>Temp.</translation>
    </message>
    <message>
        <source>Текущий</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>&amp;Вид</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>&amp;Журнал обмена</source>
        <translation>Traffic &amp;log</translation>
    </message>
    <message>
        <source>&amp;График</source>
        <translation>&amp;Trend</translation>
    </message>
    <message>
        <source>&amp;Сервисная панель</source>
        <translation>&amp;Service panel</translation>
    </message>
    <message>
        <source>&amp;Язык</source>
        <translation>L&amp;anguage</translation>
    </message>
    <message>
        <source>Язык будет изменён при следующем запуске программы.</source>
        <translation>The language will change the next time the program starts.</translation>
    </message>
    <message>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Свя&amp;зь</source>
        <translation>&amp;Connection</translation>
    </message>
    <message>
        <source>Переподключаться &amp;автоматически</source>
        <translation>Reconnect &amp;automatically</translation>
    </message>
    <message>
        <source>Сп&amp;равка</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;О программе</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>%1 %2
Сервисная программа для считывателей, радиометок и мостов на шине RS-485.

Qt %3
Лицензия: MIT</source>
        <translation>%1 %2
Service tool for readers, radio tags and bridges on the RS-485 bus.

Qt %3
License: MIT</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Порт %1 потерян (%2), ожидание его возвращения</source>
        <translation>Port %1 lost (%2), waiting for it to return</translation>
    </message>
    <message>
        <source>Порт %1 вернулся, но не открывается: %2; ожидание</source>
        <translation>Port %1 is back but does not open: %2; waiting</translation>
    </message>
    <message>
        <source>Порт %1 снова открыт</source>
        <translation>Port %1 is open again</translation>
    </message>
    <message>
        <source>Введите новый сетевой номер</source>
        <translation>Enter the new network address</translation>
    </message>
    <message>
        <source>Ввод сетевого номера</source>
        <translation>Network address entry</translation>
    </message>
    <message>
        <source>СТОП</source>
        <translation>STOP</translation>
    </message>
    <message>
        <source>ЛЕВОЕ</source>
        <translation>LEFT</translation>
    </message>
    <message>
        <source>ПРАВОЕ</source>
        <translation>RIGHT</translation>
    </message>
    <message>
        <source>Связь</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>Открыть порт</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>Закрыть порт</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>Нет доступных портов</source>
        <translation>No ports available</translation>
    </message>
    <message>
        <source> недоступен. Установите нужный порт.</source>
        <translation> is not available. Select the right port.</translation>
    </message>
    <message>
        <source>Режимы считывателя</source>
        <translation>Reader modes</translation>
    </message>
    <message>
        <source>Считыватель-индикатор</source>
        <translation>Indicator reader</translation>
    </message>
    <message>
        <source>Метка  с питанием</source>
        <translation>Powered tag</translation>
    </message>
    <message>
        <source>Мост</source>
        <translation>Bridge</translation>
    </message>
    <message>
        <source>Повторитель</source>
        <translation>Repeater</translation>
    </message>
    <message>
        <source>Частотный выход</source>
        <translation>Freq. output</translation>
    </message>
    <message>
        <source>Мастер</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>&amp;Установить</source>
        <translation>&amp;Set</translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation>Params</translation>
    </message>
    <message>
        <source>Номер сети</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>Номер Канала</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>Мощность</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>Установить</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Доп. параметры</source>
        <translation>Extra params</translation>
    </message>
    <message>
        <source>Задержка обнуления ID</source>
        <translation>ID reset delay</translation>
    </message>
    <message>
        <source>Считать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Привязанные ID</source>
        <translation>Bound IDs</translation>
    </message>
    <message>
        <source>N яч.</source>
        <translation>Cell</translation>
    </message>
    <message>
        <source>установить</source>
        <translation>set</translation>
    </message>
    <message>
        <source>считать</source>
        <translation>read</translation>
    </message>
    <message>
        <source>очистить</source>
        <translation>clear</translation>
    </message>
    <message>
        <source>Команды</source>
        <translation>Actions</translation>
    </message>
    <message>
        <source>Установить Полны&amp;й</source>
        <translation>Set &amp;full</translation>
    </message>
    <message>
        <source>Уст&amp;ановить  Пустой</source>
        <translation>Set &amp;empty</translation>
    </message>
    <message>
        <source>Уст. сер ном считывателя</source>
        <translation>Set reader serial No.</translation>
    </message>
    <message>
        <source>Введите серийный номер</source>
        <translation>Enter the serial number</translation>
    </message>
    <message>
        <source>Ввод серийного номера</source>
        <translation>Serial number entry</translation>
    </message>
    <message>
        <source>Введите серийный номер метки</source>
        <translation>Enter the tag serial number</translation>
    </message>
    <message>
        <source>Ввод серийного номера метки</source>
        <translation>Tag serial number entry</translation>
    </message>
    <message>
        <source>Введите ID номер метки</source>
        <translation>Enter the tag ID number</translation>
    </message>
    <message>
        <source>Ввод ID номера метки</source>
        <translation>Tag ID number entry</translation>
    </message>
    <message>
        <source>Параметры метки</source>
        <translation>Tag parameters</translation>
    </message>
    <message>
        <source>Сер. Ном.</source>
        <translation>Serial No.</translation>
    </message>
    <message>
        <source>Текущий ID</source>
        <translation>Current ID</translation>
    </message>
    <message>
        <source>ID Метки</source>
        <translation>Tag ID</translation>
    </message>
    <message>
        <source>Режим</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Период</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>Задержка</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>Уровень приема</source>
        <translation>RX level</translation>
    </message>
    <message>
        <source>HEX вид.</source>
        <translation>HEX view</translation>
    </message>
    <message>
        <source>Установка идентификационного Номера</source>
        <translation>Set identification number</translation>
    </message>
    <message>
        <source>Уст. сер. Но&amp;мера Метки</source>
        <translation>Set tag &amp;serial No.</translation>
    </message>
    <message>
        <source>Поиск метки</source>
        <translation>Find tag</translation>
    </message>
    <message>
        <source>Серийный Номер</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>Кол.Байт</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>Интервал</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>Кол. байт</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>Все</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Журнал обмена</source>
        <translation>Traffic log</translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Итог:</source>
        <translation>Result:</translation>
    </message>
    <message>
        <source>&amp;Пауза</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>О&amp;чистить</source>
        <translation>C&amp;lear</translation>
    </message>
    <message>
        <source>&amp;Копировать</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>&amp;Сохранить CSV…</source>
        <translation>&amp;Save CSV…</translation>
    </message>
    <message>
        <source>Статистика связи (с открытия порта или сброса)</source>
        <translation>Link statistics (since port opening or reset)</translation>
    </message>
    <message>
        <source>Сб&amp;росить</source>
        <translation>&amp;Reset</translation>
    </message>
    <message>
        <source>Запросов</source>
        <translation>Queries</translation>
    </message>
    <message>
        <source>Ответов</source>
        <translation>Replies</translation>
    </message>
    <message>
        <source>Нет ответа</source>
        <translation>No reply</translation>
    </message>
    <message>
        <source>Ошибка CRC</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>Мусор</source>
        <translation>Junk</translation>
    </message>
    <message>
        <source>Прочие</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>Успех, %</source>
        <translation>OK, %</translation>
    </message>
    <message>
        <source>мс мин</source>
        <translation>ms min</translation>
    </message>
    <message>
        <source>мс медиана</source>
        <translation>ms median</translation>
    </message>
    <message>
        <source>мс макс</source>
        <translation>ms max</translation>
    </message>
    <message>
        <source>Сохранить журнал</source>
        <translation>Save log</translation>
    </message>
    <message>
        <source>Не удалось сохранить файл %1: %2</source>
        <translation>Could not save file %1: %2</translation>
    </message>
    <message>
        <source>Строк: %1</source>
        <translation>Rows: %1</translation>
    </message>
    <message>
        <source>, пауза: ждут %1</source>
        <translation>, paused: %1 waiting</translation>
    </message>
    <message>
        <source>Температура, °C</source>
        <translation>Temperature, °C</translation>
    </message>
    <message>
        <source>Текущее значение</source>
        <translation>Current value</translation>
    </message>
    <message>
        <source>График</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>%1 мин</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Сохранить PNG…</source>
        <translation>Save PNG…</translation>
    </message>
    <message>
        <source>Сохранить CSV…</source>
        <translation>Save CSV…</translation>
    </message>
    <message>
        <source>Адрес %1</source>
        <translation>Address %1</translation>
    </message>
    <message>
        <source>Сохранить график</source>
        <translation>Save trend</translation>
    </message>
    <message>
        <source>Сохранить данные графика</source>
        <translation>Save trend data</translation>
    </message>
    <message>
        <source>Порт %1 не открыт: %2</source>
        <translation>Port %1 was not opened: %2</translation>
    </message>
    <message>
        <source>ошибка чтения из порта</source>
        <translation>port read error</translation>
    </message>
    <message>
        <source>ошибка записи в порт</source>
        <translation>port write error</translation>
    </message>
    <message>
        <source>устройство недоступно (отключено)</source>
        <translation>device unavailable (unplugged)</translation>
    </message>
    <message>
        <source>set-address -a A НОВЫЙ [--verify]
  Новый сетевой адрес %1.</source>
        <translation>set-address -a A NEW [--verify]
  New network address %1.</translation>
    </message>
    <message>
        <source>set-serial -a A НОМЕР [--verify]
  Новый серийный номер %1.</source>
        <translation>set-serial -a A NUMBER [--verify]
  New serial number %1.</translation>
    </message>
    <message>
        <source>set-radio -a A СЕТЬ КАНАЛ МОЩНОСТЬ [--verify]
  или --network %1 --channel %2 --power %3.</source>
        <translation>set-radio -a A NET CHANNEL POWER [--verify]
  or --network %1 --channel %2 --power %3.</translation>
    </message>
    <message>
        <source>bound-ids -a A read | set ЯЧЕЙКА ID | clear [--verify]
  Таблица привязанных ID (ячейки %1, ID в HEX).</source>
        <translation>bound-ids -a A read | set CELL ID | clear [--verify]
  Table of bound IDs (cells %1, ID in HEX).</translation>
    </message>
    <message>
        <source>reset-delay -a A get | set ЗАДЕРЖКА [--verify]
  Задержка обнуления ID %1.</source>
        <translation>reset-delay -a A get | set DELAY [--verify]
  ID reset delay %1.</translation>
    </message>
    <message>
        <source>tag search | read ID | write ID [поля] | set-serial ID НОМЕР | set-id ID НОМЕР
  Поля записи: --id HEX, --decimal-id N, --delay %1, --mode %2, --power %3, --period %4; не названные поля сохраняют прочитанные у метки значения. НОМЕР: %5.</source>
        <translation>tag search | read ID | write ID [fields] | set-serial ID NUMBER | set-id ID NUMBER
  Write fields: --id HEX, --decimal-id N, --delay %1, --mode %2, --power %3, --period %4; fields not named keep the values read from the tag. NUMBER: %5.</translation>
    </message>
    <message>
        <source>адрес %1: ни одного показания</source>
        <translation>address %1: not a single reading</translation>
    </message>
    <message>
        <source>НОВЫЙ</source>
        <translation>NEW</translation>
    </message>
    <message>
        <source>НОМЕР</source>
        <translation>NUMBER</translation>
    </message>
    <message>
        <source>СЕТЬ</source>
        <translation>NET</translation>
    </message>
    <message>
        <source>КАНАЛ</source>
        <translation>CHANNEL</translation>
    </message>
    <message>
        <source>МОЩНОСТЬ</source>
        <translation>POWER</translation>
    </message>
    <message>
        <source>ЯЧЕЙКА</source>
        <translation>CELL</translation>
    </message>
    <message>
        <source>ЗАДЕРЖКА</source>
        <translation>DELAY</translation>
    </message>
    <message>
        <source>ничего</source>
        <translation>nothing</translation>
    </message>
    <message>
        <source>%1: нужно целое число от %2 до %3, задано %4</source>
        <translation>%1: needs a whole number from %2 to %3, given %4</translation>
    </message>
    <message>
        <source>%1: неизвестная версия формата %2 (эта программа читает версию %3)</source>
        <translation>%1: unknown format version %2 (this program reads version %3)</translation>
    </message>
    <message>
        <source>%1, ячейка %2: нужен ID в HEX строкой, задано %3</source>
        <translation>%1, cell %2: needs an ID in HEX as a string, given %3</translation>
    </message>
    <message>
        <source>%1: копия снята с устройства типа %2, а по адресу %3 устройство типа %4; ничего не записано (--force записывает всё равно)</source>
        <translation>%1: the backup was taken from a device of type %2, but the device at address %3 is of type %4; nothing written (--force writes anyway)</translation>
    </message>
    <message>
        <source>%1; восстановление не завершено: записано: %2; не записано: %3</source>
        <translation>%1; restore not finished: written: %2; not written: %3</translation>
    </message>
    <message>
        <source>; неизвестно, записано ли: %1</source>
        <translation>; unknown whether written: %1</translation>
    </message>
    <message>
        <source>параметр --%1 задаётся для всего пакета, не в строке</source>
        <translation>option --%1 is set for the whole batch, not on a line</translation>
    </message>
    <message>
        <source>Пакет %1: выполнено %2, ошибок %3, пропущено %4%5</source>
        <translation>Batch %1: done %2, errors %3, skipped %4%5</translation>
    </message>
    <message>
        <source>ошибка записи</source>
        <translation>write error</translation>
    </message>
    <message>
        <source>не удалось записать стандартный вывод: %1</source>
        <translation>could not write standard output: %1</translation>
    </message>
    <message>
        <source>%1: нужно целое число от %2 до %3, задано &quot;%4&quot;</source>
        <translation>%1: needs a whole number from %2 to %3, given &quot;%4&quot;</translation>
    </message>
    <message>
        <source>нет места на диске</source>
        <translation>no space left on device</translation>
    </message>
    <message>
        <source>превышена квота диска</source>
        <translation>disk quota exceeded</translation>
    </message>
    <message>
        <source>файл слишком велик</source>
        <translation>file too large</translation>
    </message>
    <message>
        <source>часть пути не папка</source>
        <translation>a part of the path is not a folder</translation>
    </message>
    <message>
        <source>нет такого файла или папки</source>
        <translation>no such file or folder</translation>
    </message>
    <message>
        <source>нет прав доступа</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>операция не разрешена</source>
        <translation>operation not permitted</translation>
    </message>
    <message>
        <source>файловая система только для чтения</source>
        <translation>read-only file system</translation>
    </message>
    <message>
        <source>устройство не является терминалом</source>
        <translation>the device is not a terminal</translation>
    </message>
    <message>
        <source>канал закрыт читающей стороной</source>
        <translation>the pipe was closed by its reader</translation>
    </message>
    <message>
        <source>устройство занято</source>
        <translation>device busy</translation>
    </message>
    <message>
        <source>ошибка ввода-вывода</source>
        <translation>input/output error</translation>
    </message>
    <message>
        <source>слишком длинное имя файла</source>
        <translation>file name too long</translation>
    </message>
    <message>
        <source>нет такого устройства</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>нет такого устройства или адреса</source>
        <translation>no such device or address</translation>
    </message>
    <message>
        <source>слишком много уровней символических ссылок</source>
        <translation>too many levels of symbolic links</translation>
    </message>
    <message>
        <source>Файл журнала %1 удалён или перемещён; журнал пишется в новый файл с тем же именем.</source>
        <translation>The log file %1 was deleted or moved; the log goes on in a new file of the same name.</translation>
    </message>
    <message>
        <source>(ещё %1 Б)</source>
        <translation>(+%1 bytes)</translation>
    </message>
    <message>
        <source>Параметры метки, сер. № %1</source>
        <translation>Tag parameters, serial no. %1</translation>
    </message>
    <message>
        <source>Порт %1 не найден; он будет выбран, когда появится.</source>
        <translation>Port %1 not found; it will be selected when it appears.</translation>
    </message>
    <message>
        <source>Порт %1 появился и выбран.</source>
        <translation>Port %1 has appeared and is selected.</translation>
    </message>
    <message>
        <source>Обмен с устройством:
красный — на последний запрос пришёл ответ (любой, и с ошибкой тоже);
белый и серый по очереди — запросы уходят, ответа нет;
оранжевый — порт потерян, ожидание его возвращения;
жёлтый — порт закрыт.</source>
        <translation>Exchange with the device:
red — a reply came to the last request (any reply, a faulty one too);
white and grey in turn — requests go out, no reply comes;
orange — the port is lost, waiting for it to come back;
yellow — the port is closed.</translation>
    </message>
    <message>
        <source>Уровень из текущих параметров считывателя (как «Уровень» на сервисной панели), от 0 слева до 1024 справа. Значение 1024 и больше, как и ответ без уровня, полосу не меняет.</source>
        <translation>The level from the reader&apos;s current parameters (as &quot;Level&quot; on the service panel), from 0 at the left to 1024 at the right. A level of 1024 or more, like a reply without a level, leaves the bar as it is.</translation>
    </message>
    <message>
        <source>&amp;Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Сохранить журнал обмена…</source>
        <translation>&amp;Save traffic log…</translation>
    </message>
    <message>
        <source>&amp;Выход</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Нет ответа с %1</source>
        <translation>No reply since %1</translation>
    </message>
    <message>
        <source>Значение адреса %1, выбран другой адрес в %2</source>
        <translation>Value of address %1; another address chosen at %2</translation>
    </message>
    <message>
        <source>Выбран другой адрес в %1</source>
        <translation>Another address chosen at %1</translation>
    </message>
    <message>
        <source>Получено в %1</source>
        <translation>Received at %1</translation>
    </message>
    <message>
        <source>Строка состояния</source>
        <translation>Status bar</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Устройство</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>Последний ответ</source>
        <translation>Last reply</translation>
    </message>
    <message>
        <source>Успешные ответы</source>
        <translation>Good replies</translation>
    </message>
    <message>
        <source>Порт закрыт</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>опрос приостановлен</source>
        <translation>polling paused</translation>
    </message>
    <message>
        <source>открыт</source>
        <translation>open</translation>
    </message>
    <message>
        <source>потерян, ожидание возврата</source>
        <translation>lost, waiting for it to return</translation>
    </message>
    <message>
        <source>адрес не выбран</source>
        <translation>no address chosen</translation>
    </message>
    <message>
        <source>адрес %1</source>
        <translation>address %1</translation>
    </message>
    <message>
        <source>, сер. № %1</source>
        <translation>, serial no. %1</translation>
    </message>
    <message>
        <source>ответ был в %1</source>
        <translation>last reply at %1</translation>
    </message>
    <message>
        <source>нет ответа %1 с</source>
        <translation>no reply for %1 s</translation>
    </message>
    <message>
        <source>ответ %1 с назад</source>
        <translation>reply %1 s ago</translation>
    </message>
    <message>
        <source>ожидание ответа</source>
        <translation>waiting for a reply</translation>
    </message>
    <message>
        <source>успешно %1 % (%2 из %3)</source>
        <translation>success %1 % (%2 of %3)</translation>
    </message>
    <message>
        <source>файл уже существует</source>
        <translation>the file already exists</translation>
    </message>
    <message>
        <source>файл занят</source>
        <translation>the file is busy</translation>
    </message>
    <message>
        <source>файл нельзя перенести на другую файловую систему</source>
        <translation>the file cannot be moved to another file system</translation>
    </message>
    <message>
        <source>файл на сетевом диске больше недоступен</source>
        <translation>the file on the network drive is no longer available</translation>
    </message>
    <message>
        <source>слишком много открытых файлов</source>
        <translation>too many open files</translation>
    </message>
    <message>
        <source>слишком много открытых файлов в системе</source>
        <translation>too many open files in the system</translation>
    </message>
    <message>
        <source>недопустимый аргумент</source>
        <translation>invalid argument</translation>
    </message>
    <message>
        <source>ресурс временно недоступен</source>
        <translation>resource temporarily unavailable</translation>
    </message>
    <message>
        <source>прервано сигналом</source>
        <translation>interrupted by a signal</translation>
    </message>
    <message>
        <source>неверный дескриптор файла</source>
        <translation>bad file descriptor</translation>
    </message>
    <message>
        <source>недостаточно памяти</source>
        <translation>not enough memory</translation>
    </message>
    <message>
        <source>Индикатор обмена</source>
        <translation>Exchange indicator</translation>
    </message>
    <message>
        <source>, +%1 новых</source>
        <translation>, +%1 new</translation>
    </message>
    <message>
        <source>ответ с ошибкой</source>
        <translation>faulty reply</translation>
    </message>
    <message>
        <source>открыта вкладка меток</source>
        <translation>tag tab open</translation>
    </message>
    <message>
        <source>открыта вкладка моста</source>
        <translation>bridge tab open</translation>
    </message>
    <message>
        <source>порт закрыт</source>
        <translation>port closed</translation>
    </message>
    <message>
        <source>порт потерян</source>
        <translation>port lost</translation>
    </message>
    <message>
        <source>адрес сервера портов %1 не понят: нужно tcp://УЗЕЛ:ПОРТ, порт от 1 до 65535</source>
        <translation>port server address %1 not understood: expected tcp://HOST:PORT, port 1 to 65535</translation>
    </message>
    <message>
        <source>сервер последовательных портов (TCP)</source>
        <translation>serial device server (TCP)</translation>
    </message>
    <message>
        <source>сервер отказал в соединении</source>
        <translation>the server refused the connection</translation>
    </message>
    <message>
        <source>сервер закрыл соединение</source>
        <translation>the server closed the connection</translation>
    </message>
    <message>
        <source>узел не найден</source>
        <translation>host not found</translation>
    </message>
    <message>
        <source>сервер не ответил</source>
        <translation>the server did not answer</translation>
    </message>
    <message>
        <source>&amp;Сервер портов TCP…</source>
        <translation>TCP port &amp;server…</translation>
    </message>
    <message>
        <source>Сервер портов TCP</source>
        <translation>TCP port server</translation>
    </message>
    <message>
        <source>--echo: нужно auto, on или off</source>
        <translation>--echo: auto, on or off expected</translation>
    </message>
    <message>
        <source>--direction: нужно rts, dtr или none</source>
        <translation>--direction: rts, dtr or none expected</translation>
    </message>
    <message>
        <source>Порт не управляет линией %1: направление передачи не переключается</source>
        <translation>The port cannot drive %1: the transmit direction is not switched</translation>
    </message>
    <message>
        <source>%1 (эхо убрано)</source>
        <translation>%1 (echo removed)</translation>
    </message>
    <message>
        <source>&amp;Эхо запроса</source>
        <translation>Request &amp;echo</translation>
    </message>
    <message>
        <source>&amp;Авто: убирать точную копию запроса</source>
        <translation>&amp;Auto: remove an exact copy of the request</translation>
    </message>
    <message>
        <source>&amp;Всегда убирать</source>
        <translation>&amp;Always remove</translation>
    </message>
    <message>
        <source>&amp;Не убирать</source>
        <translation>&amp;Never remove</translation>
    </message>
    <message>
        <source>&amp;Управление направлением передачи</source>
        <translation>Transmit &amp;direction control</translation>
    </message>
    <message>
        <source>&amp;Нет (адаптер сам)</source>
        <translation>&amp;None (the adapter switches itself)</translation>
    </message>
    <message>
        <source>&amp;RTS на время передачи</source>
        <translation>&amp;RTS while sending</translation>
    </message>
    <message>
        <source>&amp;DTR на время передачи</source>
        <translation>&amp;DTR while sending</translation>
    </message>
    <message>
        <source>Эхо убрано</source>
        <translation>Echo removed</translation>
    </message>
    <message>
        <source>не файл площадки (нужен объект JSON%1)</source>
        <translation>not a site file (a JSON object is needed%1)</translation>
    </message>
    <message>
        <source>не файл площадки: формат %1, нужен &quot;%2&quot;</source>
        <translation>not a site file: format %1, &quot;%2&quot; is needed</translation>
    </message>
    <message>
        <source>неизвестная версия формата %1 (эта программа читает версию %2)</source>
        <translation>unknown format version %1 (this program reads version %2)</translation>
    </message>
    <message>
        <source>нет списка считывателей (readers)</source>
        <translation>no list of readers (readers)</translation>
    </message>
    <message>
        <source>в списке нет ни одного считывателя</source>
        <translation>the list holds no reader</translation>
    </message>
    <message>
        <source>считыватель %1, address</source>
        <translation>reader %1, address</translation>
    </message>
    <message>
        <source>считыватель %1: нужен объект JSON</source>
        <translation>reader %1: a JSON object is needed</translation>
    </message>
    <message>
        <source>адрес %1 в списке дважды</source>
        <translation>address %1 is in the list twice</translation>
    </message>
    <message>
        <source>%1: в копии адрес %2</source>
        <translation>%1: the backup says address %2</translation>
    </message>
    <message>
        <source>Файл %1 не записан.</source>
        <translation>File %1 was not written.</translation>
    </message>
    <message>
        <source>адрес %1: серийный номер %2, настройки прочитаны</source>
        <translation>address %1: serial number %2, settings read</translation>
    </message>
    <message>
        <source>прервано; файл %1 не записан</source>
        <translation>interrupted; file %1 was not written</translation>
    </message>
    <message>
        <source>не прочитаны адреса %1; файл %2 не записан (--addresses без них сохраняет остальные)</source>
        <translation>addresses not read: %1; file %2 was not written (--addresses without them saves the others)</translation>
    </message>
    <message>
        <source>Площадка сохранена в %1: считывателей %2</source>
        <translation>Site saved to %1: %2 readers</translation>
    </message>
    <message>
        <source>не восстанавливался</source>
        <translation>not restored</translation>
    </message>
    <message>
        <source>серийный номер %1</source>
        <translation>serial number %1</translation>
    </message>
    <message>
        <source>адрес %1, %2: записано %3; %4</source>
        <translation>address %1, %2: written %3; %4</translation>
    </message>
    <message>
        <source>проверено</source>
        <translation>verified</translation>
    </message>
    <message>
        <source>не проверялось</source>
        <translation>not verified</translation>
    </message>
    <message>
        <source>адрес %1, %2: %3</source>
        <translation>address %1, %2: %3</translation>
    </message>
    <message>
        <source>Площадка %1: восстановлено считывателей %2 из %3%4</source>
        <translation>Site %1: %2 of %3 readers restored%4</translation>
    </message>
    <message>
        <source>, прервано</source>
        <translation>, interrupted</translation>
    </message>
    <message>
        <source>--addresses: адрес %1 указан дважды</source>
        <translation>--addresses: address %1 is given twice</translation>
    </message>
    <message>
        <source>отвечает</source>
        <translation>answering</translation>
    </message>
    <message>
        <source>ошибки проверки</source>
        <translation>check errors</translation>
    </message>
    <message>
        <source>ещё не опрошен</source>
        <translation>not asked yet</translation>
    </message>
    <message>
        <source>%1 с</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 назад</source>
        <translation>%1 ago</translation>
    </message>
    <message>
        <source>не было</source>
        <translation>none</translation>
    </message>
    <message>
        <source>порт не передан</source>
        <translation>no port given</translation>
    </message>
    <message>
        <source>kestrel-cli monitor: круг %1, %2 мс (предел линии %3 мс), %4; Ctrl-C - выход</source>
        <translation>kestrel-cli monitor: round %1, %2 ms (line floor %3 ms), %4; Ctrl-C - quit</translation>
    </message>
    <message>
        <source>Серийный</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>Темп.</source>
        <translation>Temp.</translation>
    </message>
    <message>
        <source>Текущее</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>Успешно</source>
        <translation>Success</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>* серийный номер повторяется у другого считывателя
</source>
        <translation>* the serial number is another reader&apos;s too
</translation>
    </message>
    <message>
        <source>%1 адрес %2: серийный номер %3, уровень %4, температура %5, текущее %6, успешно %7, последний ответ: %8, %9</source>
        <translation>%1 address %2: serial number %3, level %4, temperature %5, current value %6, success %7, last reply: %8, %9</translation>
    </message>
    <message>
        <source>адрес %1: запросов %2, ответов %3, без ответа %4, ошибок проверки %5, чужих ответов %6</source>
        <translation>address %1: requests %2, replies %3, no reply %4, check errors %5, misdirected replies %6</translation>
    </message>
    <message>
        <source>ни разу не ответили адреса: %1</source>
        <translation>never answered: addresses %1</translation>
    </message>
    <message>
        <source>Обзор шины</source>
        <translation>Bus overview</translation>
    </message>
    <message>
        <source>%1 мин %2 с</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 ч %2 мин</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>не опрошен</source>
        <translation>not polled yet</translation>
    </message>
    <message>
        <source>ошибки контрольного байта</source>
        <translation>check-byte errors</translation>
    </message>
    <message>
        <source>Тип</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Сеть</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>Канал</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>После ответа</source>
        <translation>Since reply</translation>
    </message>
    <message>
        <source>Этот серийный номер сообщает и другой считыватель на шине.</source>
        <translation>Another reader on the bus reports this serial number too.</translation>
    </message>
    <message>
        <source>Считыватель не отвечает; значение прочитано %1 назад.</source>
        <translation>The reader does not answer; this value was read %1 ago.</translation>
    </message>
    <message>
        <source>Считыватель не отвечает; значение прочитано раньше.</source>
        <translation>The reader does not answer; this value was read before.</translation>
    </message>
    <message>
        <source>Запросов: %1, ответов: %2, без ответа: %3, ошибок контрольного байта: %4, ответов не на свой запрос: %5</source>
        <translation>Requests: %1, answers: %2, no reply: %3, check-byte errors: %4, replies not to its own request: %5</translation>
    </message>
    <message>
        <source>Порт закрыт. Опрос шины начнётся, когда порт будет открыт.</source>
        <translation>The port is closed. The bus is polled once the port is open.</translation>
    </message>
    <message>
        <source>&amp;Поиск</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>Найти считыватели на шине; найденные добавляются в таблицу.</source>
        <translation>Looks for readers on the bus; the ones found are added to the table.</translation>
    </message>
    <message>
        <source>П&amp;ауза</source>
        <translation>P&amp;ause</translation>
    </message>
    <message>
        <source>Пока опрос шины стоит, главное окно опрашивает свой адрес.</source>
        <translation>While the bus rounds are paused, the main window polls its own address.</translation>
    </message>
    <message>
        <source>Искать новые считыватели каждые %1 мин</source>
        <translation>Search for new readers every %1 min</translation>
    </message>
    <message>
        <source>Настройки — каждый N-й круг, N:</source>
        <translation>Settings every N-th round, N:</translation>
    </message>
    <message>
        <source>&amp;Добавить</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>&amp;Удалить из списка</source>
        <translation>&amp;Remove from list</translation>
    </message>
    <message>
        <source>Сохранить как &amp;CSV…</source>
        <translation>Save as &amp;CSV…</translation>
    </message>
    <message>
        <source>Сохранить п&amp;лощадку…</source>
        <translation>Save s&amp;ite…</translation>
    </message>
    <message>
        <source>Порт потерян, ожидание его возвращения.</source>
        <translation>The port is lost; waiting for it to come back.</translation>
    </message>
    <message>
        <source>Опрос шины приостановлен; главное окно опрашивает свой адрес.</source>
        <translation>The bus rounds are paused; the main window polls its own address.</translation>
    </message>
    <message>
        <source>Пр&amp;одолжить</source>
        <translation>Res&amp;ume</translation>
    </message>
    <message>
        <source>Сохранить обзор шины</source>
        <translation>Save the bus overview</translation>
    </message>
    <message>
        <source>Считыватели ещё не опрошены: сохранять нечего.</source>
        <translation>No reader has been polled yet: there is nothing to save.</translation>
    </message>
    <message>
        <source>Настройки считывателей %1 ещё не прочитаны.</source>
        <translation>The settings of readers %1 are not read yet.</translation>
    </message>
    <message>
        <source>Площадка не сохранена.</source>
        <translation>The site was not saved.</translation>
    </message>
    <message>
        <source>Сохранить площадку без них?</source>
        <translation>Save the site without them?</translation>
    </message>
    <message>
        <source>Сохранить площадку</source>
        <translation>Save the site</translation>
    </message>
    <message>
        <source>&amp;Обзор шины</source>
        <translation>&amp;Bus overview</translation>
    </message>
    <message>
        <source>stats ФАЙЛ.csv [--json]
  Статистика связи по адресам из журнала обмена (CSV окна или --log-file); порт не нужен. Строки с ошибками - на stderr с номерами строк. Код выхода 2: файл не журнал обмена; 4: файл не прочитан.</source>
        <translation>stats FILE.csv [--json]
  Link statistics per address of a traffic log (the window&apos;s CSV or --log-file); no port needed. Bad rows go to stderr with their line numbers. Exit code 2: the file is not a traffic log; 4: the file cannot be read.</translation>
    </message>
    <message>
        <source>%1: ещё строк с ошибками: %2</source>
        <translation>%1: more bad rows: %2</translation>
    </message>
    <message>
        <source>Журнал %1: строк %2 (событий %3, с ошибками %4)</source>
        <translation>Log %1: %2 rows (%3 events, %4 bad)</translation>
    </message>
    <message>
        <source>адрес запросов ответов нет_ответа ошибка_CRC мусор прочие успех,% мс_мин мс_медиана мс_макс эхо_убрано</source>
        <translation>address requests replies no_reply CRC_error junk other success,% ms_min ms_median ms_max echo_removed</translation>
    </message>
    <message>
        <source>время «%1» не в виде 2026-12-07T15:55:37.123+03:00</source>
        <translation>time “%1” is not like 2026-12-07T15:55:37.123+03:00</translation>
    </message>
    <message>
        <source>итог «%1» неизвестен</source>
        <translation>outcome “%1” is unknown</translation>
    </message>
    <message>
        <source>адрес «%1» - не число от 0 до 255</source>
        <translation>address “%1” is not a number from 0 to 255</translation>
    </message>
    <message>
        <source>код «%1» - не байт в HEX</source>
        <translation>code “%1” is not a hex byte</translation>
    </message>
    <message>
        <source>запрос «%1» - не байты в HEX</source>
        <translation>request “%1” is not hex bytes</translation>
    </message>
    <message>
        <source>ответ «%1» - не байты в HEX</source>
        <translation>reply “%1” is not hex bytes</translation>
    </message>
    <message>
        <source>время ответа «%1» - не число миллисекунд</source>
        <translation>reply time “%1” is not a number of milliseconds</translation>
    </message>
    <message>
        <source>Файл %1 не загружен: строка %2: %3.</source>
        <translation>File %1 not loaded: line %2: %3.</translation>
    </message>
    <message>
        <source>файл пуст, нет заголовка журнала обмена</source>
        <translation>the file is empty, no traffic log header</translation>
    </message>
    <message>
        <source>«%1» - не заголовок журнала обмена этой программы (файл другой программы или версии)</source>
        <translation>“%1” is not this program&apos;s traffic log header (a file of another program or version)</translation>
    </message>
    <message>
        <source>чтение прервано</source>
        <translation>reading interrupted</translation>
    </message>
    <message>
        <source>кавычка не закрыта до конца файла, остаток файла не загружен</source>
        <translation>a quote is not closed before the end of the file; the rest of the file is not loaded</translation>
    </message>
    <message>
        <source>ячеек %1, в заголовке %2</source>
        <translation>%1 cells, the header has %2</translation>
    </message>
    <message>
        <source>%1; ни одна строка не прочитана как строка журнала</source>
        <translation>%1; no row reads as a row of the log</translation>
    </message>
    <message>
        <source>файл не найден</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>это не обычный файл</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>Не удалось прочитать файл %1: %2.</source>
        <translation>Cannot read file %1: %2.</translation>
    </message>
    <message>
        <source>Строки с ошибками не загружены (%1): %2. Строка %3: %4.</source>
        <translation>Bad rows not loaded (%1): %2. Line %3: %4.</translation>
    </message>
    <message>
        <source>&amp;Открыть журнал…</source>
        <translation>&amp;Open log…</translation>
    </message>
    <message>
        <source>Открыть журнал обмена</source>
        <translation>Open traffic log</translation>
    </message>
    <message>
        <source>Журнал обмена CSV (*.csv);;Все файлы (*)</source>
        <translation>Traffic log CSV (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>График: %1</source>
        <translation>Trend: %1</translation>
    </message>
    <message>
        <source>Журнал %1 открыт не полностью. %2</source>
        <translation>Log %1 opened in part. %2</translation>
    </message>
    <message>
        <source>Журнал обмена: %1</source>
        <translation>Traffic log: %1</translation>
    </message>
    <message>
        <source>Статистика связи (весь журнал)</source>
        <translation>Link statistics (the whole log)</translation>
    </message>
    <message>
        <source>--only: список частей пуст (mode, radio, bound-ids, reset-delay, serial)</source>
        <translation>--only: the list of parts is empty (mode, radio, bound-ids, reset-delay, serial)</translation>
    </message>
    <message>
        <source>backup -a A [ФАЙЛ|-]
  Режим, радио, привязанные ID, задержка и идентификация в JSON; без файла или с - на стандартный вывод. Канал или устройство записывается как есть, обычный файл - целиком или никак.</source>
        <translation>backup -a A [FILE|-]
  Mode, radio, bound IDs, delay and identification in JSON; without a file or with -, to standard output. A pipe or a device is written as it is, a regular file whole or not at all.</translation>
    </message>
    <message>
        <source>restore -a A ФАЙЛ [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial] [--force] [--verify]
  Запись настроек из файла резервной копии (до 1 МиБ). Сначала устройство опознаётся; копия другого типа устройства записывается только с --force.</source>
        <translation>restore -a A FILE [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial] [--force] [--verify]
  Writes the settings from a backup file (at most 1 MiB). The device is identified first; a backup of another device type is written only with --force.</translation>
    </message>
    <message>
        <source>monitor [--addresses СПИСОК] [--interval MS] [--json]
  Все считыватели шины кругами на скорости линии до Ctrl-C: на терминале таблица, иначе строка (с --json - объект) на считыватель за круг; в конце итог по каждому. Без --addresses сначала опрос сети. Код выхода 0, если ответил каждый считыватель, иначе 1. Адреса: %1, списком и диапазонами (1-8,12).</source>
        <translation>monitor [--addresses LIST] [--interval MS] [--json]
  Every reader of the bus in rounds at the speed of the line until Ctrl-C: a table on a terminal, otherwise a line (with --json an object) per reader per round; at the end a summary of each. Without --addresses, a bus scan first. Exit code 0 when every reader answered, else 1. Addresses: %1, listed and in ranges (1-8,12).</translation>
    </message>
    <message>
        <source>backup-site ФАЙЛ|- [--addresses СПИСОК]
  Резервная копия каждого считывателя с его адресом в одном файле площадки (- : стандартный вывод). Без --addresses сначала опрос сети. Файл записывается, только если прочитаны все; один серийный номер у разных считывателей отмечается. Адреса: %1, списком и диапазонами (1-8,12).</source>
        <translation>backup-site FILE|- [--addresses LIST]
  The backup of every reader with its address in one site file (- : standard output). Without --addresses, a bus scan first. The file is written only when every reader was read; one serial number at different readers is flagged. Addresses: %1, listed and in ranges (1-8,12).</translation>
    </message>
    <message>
        <source>restore-site ФАЙЛ [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial] [--force] [--verify]
  Каждый считыватель файла площадки (до 1 МиБ) восстанавливается по своему адресу с проверками restore; считыватель с другим серийным номером, чем в копии, не записывается без --force. С --with-serial файл, где один серийный номер у двух адресов, отклоняется целиком. Строка итога на каждый; код выхода 0, только если восстановлены все.</source>
        <translation>restore-site FILE [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial] [--force] [--verify]
  Each reader of a site file (at most 1 MiB) is restored at its address with the checks of restore; a reader whose serial number is not the backup&apos;s is not written without --force. With --with-serial, a file that has one serial number at two addresses is refused whole. A summary line for each; exit code 0 only when all were restored.</translation>
    </message>
    <message>
        <source>%1: файл больше 1 МиБ (%2 байт); файл копии или площадки не бывает больше</source>
        <translation>%1: the file is larger than 1 MiB (%2 bytes); no backup or site file is that large</translation>
    </message>
    <message>
        <source>не удалось прочитать %1: %2</source>
        <translation>could not read %1: %2</translation>
    </message>
    <message>
        <source>%1: копия снята со считывателя с серийным номером %2, а по адресу %3 считыватель с серийным номером %4; ничего не записано (--force записывает всё равно)</source>
        <translation>%1: the backup was taken from the reader with serial number %2, and the reader at address %3 has serial number %4; nothing written (--force writes all the same)</translation>
    </message>
    <message>
        <source>серийный номер %1 у адресов %2</source>
        <translation>serial number %1 at addresses %2</translation>
    </message>
    <message>
        <source>; внимание, один серийный номер у разных считывателей: %1</source>
        <translation>; note: one serial number at different readers: %1</translation>
    </message>
    <message>
        <source>%1: серийный номер %2 у адресов %3; с --with-serial ничего не записано</source>
        <translation>%1: serial number %2 at addresses %3; nothing written with --with-serial</translation>
    </message>
    <message>
        <source>--addresses: диапазон %1 идёт назад</source>
        <translation>--addresses: the range %1 runs backwards</translation>
    </message>
    <message>
        <source>канал никто не читает</source>
        <translation>nobody reads the pipe</translation>
    </message>
    <message>
        <source>порт уже открывается</source>
        <translation>the port is being opened already</translation>
    </message>
    <message>
        <source>имя узла не найдено за %1 с: служба имён не ответила</source>
        <translation>the host name was not found within %1 s: the name service did not answer</translation>
    </message>
    <message>
        <source>первая строка длиннее %1 байт - не заголовок журнала обмена</source>
        <translation>the first line is longer than %1 bytes: not a traffic log header</translation>
    </message>
    <message>
        <source>Файл настроек %1 не читается; взяты настройки по умолчанию.</source>
        <translation>The settings file %1 cannot be read; the default settings are used.</translation>
    </message>
    <message>
        <source>Файл настроек %1 повреждён; взяты настройки по умолчанию.</source>
        <translation>The settings file %1 is damaged; the default settings are used.</translation>
    </message>
    <message>
        <source>Файл настроек %1: не приняты значения %2; для них взяты значения по умолчанию.</source>
        <translation>The settings file %1: the values %2 were not taken; their defaults are used.</translation>
    </message>
    <message>
        <source>привязанный ID</source>
        <translation>bound ID</translation>
    </message>
    <message>
        <source>задержка обнуления ID</source>
        <translation>ID reset delay</translation>
    </message>
    <message>
        <source>записано: %1</source>
        <translation>written: %1</translation>
    </message>
    <message>
        <source>нет подтверждения записи: %1</source>
        <translation>write not confirmed: %1</translation>
    </message>
    <message>
        <source>Последняя запись</source>
        <translation>Last write</translation>
    </message>
    <message>
        <source>записей не было</source>
        <translation>no writes yet</translation>
    </message>
    <message>
        <source>файл больше 1 МиБ (%1 байт); план площадки не бывает больше</source>
        <translation>file larger than 1 MiB (%1 bytes); a site plan is never that large</translation>
    </message>
    <message>
        <source>не текст UTF-8; сохраните план как CSV в UTF-8</source>
        <translation>not UTF-8 text; save the plan as CSV in UTF-8</translation>
    </message>
    <message>
        <source>строка %1: длиннее %2 байт</source>
        <translation>line %1: longer than %2 bytes</translation>
    </message>
    <message>
        <source>строка %1: кавычка не закрыта до конца файла</source>
        <translation>line %1: a quote is not closed before the end of the file</translation>
    </message>
    <message>
        <source>больше %1 строк; в плане не больше 201 считывателя</source>
        <translation>more than %1 lines; a plan has at most 201 readers</translation>
    </message>
    <message>
        <source>файл пуст; нужна строка заголовка</source>
        <translation>the file is empty; a header row is needed</translation>
    </message>
    <message>
        <source>строка 1, столбец %1: неизвестный столбец &quot;%2&quot;; столбцы плана: %3</source>
        <translation>line 1, column %1: unknown column &quot;%2&quot;; the plan&apos;s columns: %3</translation>
    </message>
    <message>
        <source>строка 1, столбец %1: столбец &quot;%2&quot; второй раз</source>
        <translation>line 1, column %1: column &quot;%2&quot; a second time</translation>
    </message>
    <message>
        <source>строка 1: нет столбца &quot;address&quot;</source>
        <translation>line 1: no column &quot;address&quot;</translation>
    </message>
    <message>
        <source>строка %1: ячеек больше, чем столбцов в заголовке</source>
        <translation>line %1: more cells than the header has columns</translation>
    </message>
    <message>
        <source>строка %1, столбец %2 (%3)</source>
        <translation>line %1, column %2 (%3)</translation>
    </message>
    <message>
        <source>: адрес не задан</source>
        <translation>: no address given</translation>
    </message>
    <message>
        <source>: меток %1, в таблице считывателя %2 ячеек</source>
        <translation>: %1 tags, the reader&apos;s table has %2 cells</translation>
    </message>
    <message>
        <source>строка %1: адрес %2 уже задан в строке %3</source>
        <translation>line %1: address %2 is already given on line %3</translation>
    </message>
    <message>
        <source>строка %1: серийный номер %2 уже задан в строке %3</source>
        <translation>line %1: serial number %2 is already given on line %3</translation>
    </message>
    <message>
        <source>в плане нет ни одного считывателя</source>
        <translation>the plan holds no reader</translation>
    </message>
    <message>
        <source>plan check|apply|assign|report ПЛАН.csv [--verify] [--only mode,radio,bound-ids] [--from A] [--out ФАЙЛ]
  План площадки - CSV из таблицы (до 1 МиБ; разделитель , или ;): строка заголовка, затем по строке на считыватель: address (0..200), name, serial, network, channel, power, mode, tags (ID меток в HEX через пробел). check: каждый адрес плана и поиск по шине; по строке на считыватель: ok, missing, other-serial, differs, duplicate-serial, затем extra; код выхода 0, только если всё как в плане. apply: записывает отличающиеся настройки, только если серийный номер совпадает с планом (строка без номера берёт найденный). assign --from A: считыватель с адреса A - на адрес его строки (новый - на первую строку без номера, номер записывается в план), проверка, затем apply с --verify. report --out ФАЙЛ.html|.csv: отчёт для сдачи. Каждая запись - строка в ПЛАН.journal.csv.</source>
        <translation>plan check|apply|assign|report PLAN.csv [--verify] [--only mode,radio,bound-ids] [--from A] [--out FILE]
  A site plan is CSV from a spreadsheet (up to 1 MiB; separator , or ;): a header row, then a row per reader: address (0..200), name, serial, network, channel, power, mode, tags (tag IDs in hex separated by blanks). check: every planned address and a bus search; a line per reader: ok, missing, other-serial, differs, duplicate-serial, then extra; exit code 0 only when everything is as planned. apply: writes the settings that differ, only when the serial number matches the plan (a row without one takes the reader found). assign --from A: the reader at address A goes to its row&apos;s address (a new one to the first row without a serial, which is written into the plan), is verified, then applied with --verify. report --out FILE.html|.csv: the report to hand over. Every write is a line in PLAN.journal.csv.</translation>
    </message>
    <message>
        <source>%1: файл больше 1 МиБ (%2 байт); план площадки не бывает больше</source>
        <translation>%1: file larger than 1 MiB (%2 bytes); a site plan is never that large</translation>
    </message>
    <message>
        <source>адрес %1 (%2)</source>
        <translation>address %1 (%2)</translation>
    </message>
    <message>
        <source>%1 %2, по плану %3</source>
        <translation>%1 %2, planned %3</translation>
    </message>
    <message>
        <source>plan: нужно check, apply, assign или report</source>
        <translation>plan: check, apply, assign or report is needed</translation>
    </message>
    <message>
        <source>как в плане, серийный номер %1</source>
        <translation>as planned, serial number %1</translation>
    </message>
    <message>
        <source>не отвечает</source>
        <translation>does not answer</translation>
    </message>
    <message>
        <source>серийный номер %1, по плану %2</source>
        <translation>serial number %1, planned %2</translation>
    </message>
    <message>
        <source>серийный номер %1; %2</source>
        <translation>serial number %1; %2</translation>
    </message>
    <message>
        <source>серийный номер %1 есть и у адреса %2</source>
        <translation>serial number %1 is also at address %2</translation>
    </message>
    <message>
        <source>серийный номер %1; в плане его нет</source>
        <translation>serial number %1; not in the plan</translation>
    </message>
    <message>
        <source>План %1: как в плане %2 из %3, лишних на шине %4</source>
        <translation>Plan %1: as planned %2 of %3, extra on the bus %4</translation>
    </message>
    <message>
        <source>журнал %1 не записан: %2</source>
        <translation>journal %1 not written: %2</translation>
    </message>
    <message>
        <source>не отвечает; ничего не записано</source>
        <translation>does not answer; nothing written</translation>
    </message>
    <message>
        <source>серийный номер %1, по плану %2; ничего не записано</source>
        <translation>serial number %1, planned %2; nothing written</translation>
    </message>
    <message>
        <source>параметры радио не прочитаны; ничего не записано</source>
        <translation>radio parameters not read; nothing written</translation>
    </message>
    <message>
        <source>%1; записано: %2; %3: %4; не записано: %5</source>
        <translation>%1; written: %2; %3: %4; not written: %5</translation>
    </message>
    <message>
        <source>неизвестно, записано ли</source>
        <translation>unknown whether written</translation>
    </message>
    <message>
        <source>не записано</source>
        <translation>not written</translation>
    </message>
    <message>
        <source>проверка не прошла: %1</source>
        <translation>verification failed: %1</translation>
    </message>
    <message>
        <source>считыватель не отвечает тем же серийным номером</source>
        <translation>the reader does not answer with the same serial number</translation>
    </message>
    <message>
        <source>--only: неизвестная часть %1 (mode, radio, bound-ids)</source>
        <translation>--only: unknown part %1 (mode, radio, bound-ids)</translation>
    </message>
    <message>
        <source>уже как в плане, ничего не записано</source>
        <translation>already as planned, nothing written</translation>
    </message>
    <message>
        <source>записано %1</source>
        <translation>written %1</translation>
    </message>
    <message>
        <source>; в плане серийного номера нет: взят считыватель, найденный по адресу</source>
        <translation>; the plan has no serial number: the reader found at the address was taken</translation>
    </message>
    <message>
        <source>План %1: применён к %2 из %3%4</source>
        <translation>Plan %1: applied to %2 of %3%4</translation>
    </message>
    <message>
        <source>plan assign: нужен --from АДРЕС</source>
        <translation>plan assign: --from ADDRESS is needed</translation>
    </message>
    <message>
        <source>по адресу %1 ответ искажён: отвечает не один считыватель? Ничего не записано</source>
        <translation>the answer at address %1 is garbled: more than one reader answering? Nothing written</translation>
    </message>
    <message>
        <source>по адресу %1 никто не отвечает; ничего не записано</source>
        <translation>nobody answers at address %1; nothing written</translation>
    </message>
    <message>
        <source>адрес %1: %2; ничего не записано</source>
        <translation>address %1: %2; nothing written</translation>
    </message>
    <message>
        <source>%1: в плане нет строки без серийного номера для считывателя %2; ничего не записано</source>
        <translation>%1: the plan has no row without a serial number for reader %2; nothing written</translation>
    </message>
    <message>
        <source>адрес %1 занят по плану считывателем %2 (%3); ничего не записано</source>
        <translation>address %1 is planned for reader %2 (%3); nothing written</translation>
    </message>
    <message>
        <source>адрес %1 уже занят считывателем %2; ничего не записано</source>
        <translation>address %1 is already taken by reader %2; nothing written</translation>
    </message>
    <message>
        <source>%1: серийный номер %2 записан в план</source>
        <translation>%1: serial number %2 written into the plan</translation>
    </message>
    <message>
        <source>после смены адреса считыватель %1 не отвечает по адресу %2</source>
        <translation>after the address change reader %1 does not answer at address %2</translation>
    </message>
    <message>
        <source>%1: считыватель %2 перенесён с адреса %3</source>
        <translation>%1: reader %2 moved from address %3</translation>
    </message>
    <message>
        <source>plan report: нужен --out ФАЙЛ.html или ФАЙЛ.csv</source>
        <translation>plan report: --out FILE.html or FILE.csv is needed</translation>
    </message>
    <message>
        <source>Имя</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Серийный номер</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>По плану</source>
        <translation>Planned</translation>
    </message>
    <message>
        <source>Найдено</source>
        <translation>Found</translation>
    </message>
    <message>
        <source>Записано и проверено</source>
        <translation>Written and verified</translation>
    </message>
    <message>
        <source>Площадка</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>Дата</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Отчёт о вводе в работу: </source>
        <translation>Commissioning report: </translation>
    </message>
    <message>
        <source>Отчёт записан в %1: считывателей по плану %2, как в плане %3</source>
        <translation>Report written to %1: planned readers %2, as planned %3</translation>
    </message>
    <message>
        <source>Дата: %1. Считывателей по плану: %2, как в плане: %3. %4.</source>
        <translation>Date: %1. Planned readers: %2, as planned: %3. %4.</translation>
    </message>
    <message>
        <source>как в плане</source>
        <translation>as planned</translation>
    </message>
    <message>
        <source>другой серийный номер</source>
        <translation>another serial number</translation>
    </message>
    <message>
        <source>отличается от плана</source>
        <translation>differs from the plan</translation>
    </message>
    <message>
        <source>серийный номер повторяется</source>
        <translation>serial number repeated</translation>
    </message>
    <message>
        <source>нет в плане</source>
        <translation>not in the plan</translation>
    </message>
    <message>
        <source>План</source>
        <translation>Plan</translation>
    </message>
    <message>
        <source>По плану серийный номер %1, найден %2.</source>
        <translation>Planned serial number %1, found %2.</translation>
    </message>
    <message>
        <source>Пла&amp;н площадки…</source>
        <translation>Site pla&amp;n…</translation>
    </message>
    <message>
        <source>Загрузить план площадки (CSV): столбцы «Имя» и «План» покажут, как каждый считыватель стоит к плану.</source>
        <translation>Load the site plan (CSV): the columns &quot;Name&quot; and &quot;Plan&quot; show how each reader stands to the plan.</translation>
    </message>
    <message>
        <source>О&amp;тчёт…</source>
        <translation>Repor&amp;t…</translation>
    </message>
    <message>
        <source>Сохранить отчёт о вводе в работу по загруженному плану (HTML или CSV).</source>
        <translation>Save the commissioning report of the plan loaded (HTML or CSV).</translation>
    </message>
    <message>
        <source>План площадки</source>
        <translation>Site plan</translation>
    </message>
    <message>
        <source>Сохранить отчёт</source>
        <translation>Save the report</translation>
    </message>
    <message>
        <source>Отчёт сохраняется в файл .html или .csv.</source>
        <translation>The report is saved to a .html or .csv file.</translation>
    </message>
    <message>
        <source>нет подтверждения записи</source>
        <translation>no confirmation of the write</translation>
    </message>
    <message>
        <source>При&amp;менить план…</source>
        <translation>Appl&amp;y the plan…</translation>
    </message>
    <message>
        <source>Записать настройки плана в выбранные считыватели, чей серийный номер совпадает с планом, и проверить их.</source>
        <translation>Write the plan&apos;s settings into the selected readers whose serial number matches the plan, and verify them.</translation>
    </message>
    <message>
        <source>План применён:
</source>
        <translation>Plan applied:
</translation>
    </message>
    <message>
        <source>Выберите в таблице считыватели, к которым применить план.</source>
        <translation>Select in the table the readers to apply the plan to.</translation>
    </message>
    <message>
        <source>как в плане, будет только проверен</source>
        <translation>as planned, will only be verified</translation>
    </message>
    <message>
        <source>Среди выбранных нет считывателей, к которым можно применить план:
</source>
        <translation>None of the selected readers can take the plan:
</translation>
    </message>
    <message>
        <source>Записать по плану:
</source>
        <translation>Write as planned:
</translation>
    </message>
    <message>
        <source>
Не записываются:
</source>
        <translation>
Not written:
</translation>
    </message>
    <message>
        <source>
Применить?</source>
        <translation>
Apply?</translation>
    </message>
    <message>
        <source>План не применён: порт закрыт или план уже применяется.</source>
        <translation>Plan not applied: the port is closed or the plan is being applied already.</translation>
    </message>
    <message>
        <source>План применяется…</source>
        <translation>Applying the plan…</translation>
    </message>
    <message>
        <source>tags [--addresses СПИСОК] [--json]
  Все метки, которые слышат считыватели площадки: поиском меток у каждого считывателя (без --addresses - у ответивших на опрос сети), пока метка не придёт второй раз. По строке на метку: ID, серийный номер, считыватель, который слышит её лучше, уровень приёма, когда слышна.</source>
        <translation>tags [--addresses LIST] [--json]
  Every tag the site&apos;s readers hear: a tag search at each reader (without --addresses, at those that answer the bus search) until a tag comes round again. A line per tag: ID, serial number, the reader that hears it best, reception level, when heard.</translation>
    </message>
    <message>
        <source>метка %1: серийный номер %2, считыватель %3, уровень %4, слышна %5</source>
        <translation>tag %1: serial number %2, reader %3, level %4, heard %5</translation>
    </message>
    <message>
        <source>Меток на площадке: %1, считывателей опрошено: %2</source>
        <translation>Tags on the site: %1, readers searched: %2</translation>
    </message>
    <message>
        <source>Метки пло&amp;щадки…</source>
        <translation>Site &amp;tags…</translation>
    </message>
    <message>
        <source>Все метки, которые слышат считыватели: пока окно открыто, круги ищут метки.</source>
        <translation>Every tag the readers hear: while the window is open, the rounds search for tags.</translation>
    </message>
    <message>
        <source>Слышна</source>
        <translation>Heard</translation>
    </message>
    <message>
        <source>Метки площадки</source>
        <translation>Site tags</translation>
    </message>
    <message>
        <source>&amp;Считать</source>
        <translation>&amp;Read</translation>
    </message>
    <message>
        <source>Параметры выбранной метки по её ID.</source>
        <translation>The selected tag&apos;s parameters, by its ID.</translation>
    </message>
    <message>
        <source>Сер&amp;ийный номер…</source>
        <translation>Ser&amp;ial number…</translation>
    </message>
    <message>
        <source>Записать выбранной метке новый серийный номер.</source>
        <translation>Write a new serial number into the selected tag.</translation>
    </message>
    <message>
        <source>&amp;Привязать…</source>
        <translation>&amp;Bind…</translation>
    </message>
    <message>
        <source>Записать ID выбранной метки в ячейку таблицы ID считывателя, который её слышит лучше.</source>
        <translation>Write the selected tag&apos;s ID into a cell of the bound-ID table of the reader that hears it best.</translation>
    </message>
    <message>
        <source>Нет ответа: %1</source>
        <translation>No reply: %1</translation>
    </message>
    <message>
        <source>Запрос отправлен…</source>
        <translation>Request sent…</translation>
    </message>
    <message>
        <source>Порт закрыт: запрос не отправлен.</source>
        <translation>The port is closed: the request was not sent.</translation>
    </message>
    <message>
        <source>Выберите метку в таблице.</source>
        <translation>Select a tag in the table.</translation>
    </message>
    <message>
        <source>метка %1</source>
        <translation>tag %1</translation>
    </message>
    <message>
        <source>Новый серийный номер метки %1 (%2):</source>
        <translation>New serial number of tag %1 (%2):</translation>
    </message>
    <message>
        <source>метка %1: серийный номер %2</source>
        <translation>tag %1: serial number %2</translation>
    </message>
    <message>
        <source>Ячейка таблицы ID считывателя %1 для метки %2 (%3):</source>
        <translation>Cell of reader %1&apos;s bound-ID table for tag %2 (%3):</translation>
    </message>
    <message>
        <source>считыватель %1, ячейка %2: метка %3</source>
        <translation>reader %1, cell %2: tag %3</translation>
    </message>
    <message>
        <source>не отвечает понятно: %1</source>
        <translation>does not answer clearly: %1</translation>
    </message>
    <message>
        <source>Расчёт по проводу: время, за которое байты запросов и ответов круга проходят по линии на скорости порта, с паузами между запросами. Через псевдотерминал или сеть круг может пройти быстрее расчёта.</source>
        <translation>Wire estimate: the time the round&apos;s request and reply bytes take on the line at the port&apos;s speed, with the gaps between requests. Through a pseudo-terminal or a network a round can be faster than the estimate.</translation>
    </message>
    <message>
        <source>Круг %1: %2 мс (расчёт по проводу %3 мс).</source>
        <translation>Round %1: %2 ms (wire estimate %3 ms).</translation>
    </message>
    <message>
        <source>Адрес сервера последовательных портов (режим TCP-сервера), УЗЕЛ:ПОРТ:</source>
        <translation>Address of the serial device server (TCP server mode), HOST:PORT:</translation>
    </message>
    <message>
        <source>Адрес сервера портов «%1» не понят.
Нужно УЗЕЛ:ПОРТ, например 192.168.0.7:4001,
порт от 1 до 65535.</source>
        <translation>The serial device server address “%1” is not understood.
It takes HOST:PORT, for example 192.168.0.7:4001,
the port from 1 to 65535.</translation>
    </message>
    <message>
        <source>Режим «Повторитель» здесь не выбирается: отметка показывает, что считыватель сообщил этот режим. Записать его можно командой kestrel-cli set-mode repeater.</source>
        <translation>The “Repeater” mode is not chosen here: the mark shows that the reader reported this mode. It can be written with the command kestrel-cli set-mode repeater.</translation>
    </message>
    <message>
        <source>ответы не разобраны (мусор) %1 с</source>
        <translation>replies not decoded (garbage) for %1 s</translation>
    </message>
    <message>
        <source>Байты приходят, но ни один ответ не разобран. Если адаптер возвращает каждый запрос, выберите «Связь» → «Эхо запроса» → «Авто» или «Всегда убирать».</source>
        <translation>Bytes arrive, but no reply is decoded. If the adapter returns each request, choose “Connection” → “Request echo” → “Auto” or “Always remove”.</translation>
    </message>
    <message>
        <source>опрашивался другой адрес</source>
        <translation>another address was polled</translation>
    </message>
    <message>
        <source>пароль MQTT не задаётся в командной строке: --mqtt-password-file ФАЙЛ или переменная KESTREL_MQTT_PASSWORD</source>
        <translation>the MQTT password is never given on the command line: --mqtt-password-file FILE or the variable KESTREL_MQTT_PASSWORD</translation>
    </message>
    <message>
        <source>Использование: kestrel-cli [параметры] КОМАНДА [аргументы]

Считыватель и шина:
  scan                          опрос сети: адреса ответивших устройств
  inventory                     опрос сети, затем идентификация и настройки каждого
  identify                      серийный номер, тип и версия
  live [--watch [--interval MS]]
                                текущие параметры (с --watch - до Ctrl-C)
  settings                      режим и параметры радио
  set-address НОВЫЙ             сетевой адрес %1
  set-serial НОМЕР              серийный номер %2
  set-mode РЕЖИМ [--master] [--frequency-output]
                                reader, indicator, powered-tag, bridge, repeater
  set-radio СЕТЬ КАНАЛ МОЩНОСТЬ (или --network, --channel, --power)
  calibrate high|low --yes      перекалибровка верхнего или нижнего уровня
  bound-ids read | set ЯЧЕЙКА ID | clear
  reset-delay get | set ЗАДЕРЖКА
  backup [ФАЙЛ]                 настройки считывателя в JSON
  restore ФАЙЛ [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial]
Вся шина:
  monitor [--addresses СПИСОК] [--interval MS]
                                все считыватели шины кругами до Ctrl-C
  gateway [--addresses СПИСОК] [--modbus-tcp [АДРЕС:]ПОРТ] [--unit N]
          [--mqtt УЗЕЛ:ПОРТ] [--mqtt-prefix ПРЕФИКС] [--site ИМЯ] [--mqtt-tls CA-ФАЙЛ]
          [--mqtt-user ИМЯ] [--mqtt-password-file ФАЙЛ] [--config ФАЙЛ]
                                шлюз в АСУ ТП: значения считывателей по Modbus TCP и MQTT
  backup-site ФАЙЛ|- [--addresses СПИСОК]
                                настройки всех считывателей в один файл площадки
  restore-site ФАЙЛ [--verify] [--only ...] [--with-serial]
                                каждый считыватель площадки по его адресу
Ввод в работу по плану площадки (CSV):
  plan check ПЛАН.csv           шина против плана: ok, missing, other-serial, differs,
                                duplicate-serial; не названные планом - extra
  plan apply ПЛАН.csv [--verify] [--only mode,radio,bound-ids]
                                настройки плана в считыватели с его серийными номерами
  plan assign ПЛАН.csv --from A новый считыватель с адреса A на адрес по плану
  plan report ПЛАН.csv --out ФАЙЛ.html|ФАЙЛ.csv
                                отчёт о вводе в работу
Метки:
  tag search                    метка, ответившая на поиск
  tag read ID                   параметры метки (ID в HEX)
  tag write ID [--id HEX | --decimal-id N] [--delay N] [--mode N] [--power N] [--period N]
  tag set-serial ID НОМЕР
  tag set-id ID НОМЕР
  tags [--addresses СПИСОК]     все метки площадки и считыватель, что слышит каждую лучше
Мост:
  bridge read                   данные ведомого и его значение RS485
Пакет:
  batch ФАЙЛ|-                  по команде в строке; # - комментарий
Журнал обмена:
  stats ФАЙЛ.csv                статистика связи по адресам из записанного журнала

Параметры:
  --port ПУТЬ                   порт (или переменная KESTREL_PORT),
                                сервер портов: tcp://УЗЕЛ:ПОРТ
  -a, --address A               адрес устройства
  --addresses СПИСОК            адреса и диапазоны через запятую: 3,5,7-9
  --json                        по объекту JSON на результат
  --trace                       запросы и ответы в HEX на stderr
  --log-file ФАЙЛ               журнал обмена в CSV
  --verify                      проверить записанное чтением
  --keep-going                  пакет не останавливается на ошибке
  --lang ru|en                  язык сообщений (по умолчанию русский)
  --timeout MS (300)  --retries N (2)  --gap MS (5)  --scan-wait MS (500)
  --silence MS (20)             ответ кончается после стольких мс тишины
  --echo auto|on|off            эхо запроса перед ответом: auto - убирать точную
                                копию запроса, on - первые байты длиной с запрос, off - нет
  --direction rts|dtr|none      поднимать RTS или DTR на время передачи
  --help, --version

Коды выхода: 0 выполнено; 1 устройство не ответило или отказало; 2 ошибка ввода
(ничего не отправлено); 3 ошибка порта; 4 не удалось записать файл или стандартный вывод
(канал, закрытый читающей стороной, как в | head, - без сообщения).
ФАЙЛ - в backup и backup-site: стандартный вывод. Файлы копий и площадок - до 1 МиБ.
</source>
        <translation>Usage: kestrel-cli [options] COMMAND [arguments]

Reader and bus:
  scan                          bus scan: addresses of the devices that answered
  inventory                     bus scan, then identification and settings of each
  identify                      serial number, type and version
  live [--watch [--interval MS]]
                                current parameters (with --watch - until Ctrl-C)
  settings                      mode and radio parameters
  set-address NEW               network address %1
  set-serial NUMBER             serial number %2
  set-mode MODE [--master] [--frequency-output]
                                reader, indicator, powered-tag, bridge, repeater
  set-radio NET CHANNEL POWER   (or --network, --channel, --power)
  calibrate high|low --yes      recalibrate the upper or lower level
  bound-ids read | set CELL ID | clear
  reset-delay get | set DELAY
  backup [FILE]                 reader settings in JSON
  restore FILE [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial]
Whole bus:
  monitor [--addresses LIST] [--interval MS]
                                every reader of the bus in rounds until Ctrl-C
  gateway [--addresses LIST] [--modbus-tcp [ADDRESS:]PORT] [--unit N]
          [--mqtt HOST:PORT] [--mqtt-prefix PREFIX] [--site NAME] [--mqtt-tls CAFILE]
          [--mqtt-user NAME] [--mqtt-password-file FILE] [--config FILE]
                                plant gateway: the readers' values over Modbus TCP and MQTT
  backup-site FILE|- [--addresses LIST]
                                the settings of every reader in one site file
  restore-site FILE [--verify] [--only ...] [--with-serial]
                                each reader of a site at its address
Commissioning from a site plan (CSV):
  plan check PLAN.csv           the bus against the plan: ok, missing, other-serial, differs,
                                duplicate-serial; readers the plan does not name: extra
  plan apply PLAN.csv [--verify] [--only mode,radio,bound-ids]
                                the plan's settings into the readers with its serial numbers
  plan assign PLAN.csv --from A a new reader from address A to its planned address
  plan report PLAN.csv --out FILE.html|FILE.csv
                                the commissioning report
Tags:
  tag search                    the tag that answered the search
  tag read ID                   tag parameters (ID in HEX)
  tag write ID [--id HEX | --decimal-id N] [--delay N] [--mode N] [--power N] [--period N]
  tag set-serial ID NUMBER
  tag set-id ID NUMBER
  tags [--addresses LIST]       every tag of the site and the reader that hears each best
Bridge:
  bridge read                   slave data and its RS485 value
Batch:
  batch FILE|-                  one command per line; # - comment
Traffic log:
  stats FILE.csv                link statistics per address of a recorded log

Options:
  --port PATH                   port (or the KESTREL_PORT variable),
                                port server: tcp://HOST:PORT
  -a, --address A               device address
  --addresses LIST              comma-separated addresses and ranges: 3,5,7-9
  --json                        one JSON object per result
  --trace                       requests and replies in HEX to stderr
  --log-file FILE               traffic log in CSV
  --verify                      read back and check what was written
  --keep-going                  a batch does not stop on an error
  --lang ru|en                  message language (Russian by default)
  --timeout MS (300)  --retries N (2)  --gap MS (5)  --scan-wait MS (500)
  --silence MS (20)             a reply ends after this many ms of silence
  --echo auto|on|off            the request's echo before the reply: auto - remove an exact
                                copy of the request, on - the first request-length bytes, off - none
  --direction rts|dtr|none      raise RTS or DTR while sending
  --help, --version

Exit codes: 0 done; 1 the device did not answer or refused; 2 input error
(nothing sent); 3 port error; 4 a file or standard output could not be written
(a pipe closed by its reader, as with | head, ends without a message).
FILE - for backup and backup-site: standard output. Backup and site files are at most 1 MiB.
</translation>
    </message>
    <message>
        <source>gateway [--addresses СПИСОК] [--modbus-tcp [АДРЕС:]ПОРТ] [--unit N] [--mqtt УЗЕЛ:ПОРТ] [--mqtt-prefix ПРЕФИКС] [--site ИМЯ] [--mqtt-tls CA-ФАЙЛ] [--mqtt-user ИМЯ] [--mqtt-password-file ФАЙЛ] [--config ФАЙЛ]
  Шлюз в АСУ ТП: круги опроса шины, пока не остановлен (SIGTERM, SIGHUP, Ctrl-C). Без --addresses - опрос сети в начале и каждые 5 минут. Нужен хотя бы один выход. --modbus-tcp: сервер Modbus TCP (адрес устройства --unit, по умолчанию 1): у считывателя A блок из 16 регистров с A*16 (функции 3 и 4), состояние шлюза с 0xFFF0; запись отклоняется. --mqtt: по сохраняемому сообщению JSON на считыватель в ПРЕФИКС/ИМЯ/reader/A (префикс kestrel) при изменении и не реже раза в минуту, ПРЕФИКС/ИМЯ/status - online или offline. Пароль MQTT - из файла или переменной KESTREL_MQTT_PASSWORD. --config: те же настройки строками КЛЮЧ = ЗНАЧЕНИЕ; неверный файл отклоняется целиком. Потерянный порт шлюз ждёт.</source>
        <translation>gateway [--addresses LIST] [--modbus-tcp [ADDRESS:]PORT] [--unit N] [--mqtt HOST:PORT] [--mqtt-prefix PREFIX] [--site NAME] [--mqtt-tls CAFILE] [--mqtt-user NAME] [--mqtt-password-file FILE] [--config FILE]
  Plant gateway: the bus's rounds until stopped (SIGTERM, SIGHUP, Ctrl-C). Without --addresses the bus is searched first and every 5 minutes. At least one output is needed. --modbus-tcp: a Modbus TCP server (unit identifier --unit, 1 by default): reader A has a block of 16 registers from A*16 (functions 3 and 4), the gateway's state from 0xFFF0; writes are refused. --mqtt: one retained JSON message per reader on PREFIX/NAME/reader/A (prefix kestrel) on each change and at least once a minute, PREFIX/NAME/status is online or offline. The MQTT password comes from a file or the variable KESTREL_MQTT_PASSWORD. --config: the same settings as KEY = VALUE lines; a wrong file is refused whole. A lost port is waited for.</translation>
    </message>
    <message>
        <source>Modbus TCP: клиент %1 отключён: %2</source>
        <translation>Modbus TCP: client %1 closed: %2</translation>
    </message>
    <message>
        <source>Modbus TCP: не удалось открыть %1:%2: %3</source>
        <translation>Modbus TCP: cannot open %1:%2: %3</translation>
    </message>
    <message>
        <source>MQTT: %1</source>
        <translation>MQTT: %1</translation>
    </message>
    <message>
        <source>найден считыватель по адресу %1</source>
        <translation>reader found at address %1</translation>
    </message>
    <message>
        <source>порт %1 недоступен%2; шлюз ждёт его</source>
        <translation>port %1 is unavailable%2; the gateway waits for it</translation>
    </message>
    <message>
        <source>порт %1 снова открыт, опрос продолжается</source>
        <translation>port %1 is open again, polling goes on</translation>
    </message>
    <message>
        <source>порт %1 открыт</source>
        <translation>port %1 open</translation>
    </message>
    <message>
        <source>порт %1 потерян: %2; шлюз ждёт его</source>
        <translation>port %1 lost: %2; the gateway waits for it</translation>
    </message>
    <message>
        <source>Modbus TCP %1:%2, устройство %3</source>
        <translation>Modbus TCP %1:%2, unit %3</translation>
    </message>
    <message>
        <source>MQTT %1:%2, темы %3</source>
        <translation>MQTT %1:%2, topics %3</translation>
    </message>
    <message>
        <source>шлюз запущен: %1; порт %2</source>
        <translation>gateway started: %1; port %2</translation>
    </message>
    <message>
        <source>шлюз останавливается</source>
        <translation>gateway stopping</translation>
    </message>
    <message>
        <source>шлюз остановлен</source>
        <translation>gateway stopped</translation>
    </message>
    <message>
        <source>--modbus-tcp: нужен [АДРЕС:]ПОРТ, порт от 1 до 65535, задано &quot;%1&quot;</source>
        <translation>--modbus-tcp: [ADDRESS:]PORT needed, port 1 to 65535, given &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--unit: нужно целое число от 0 до 255, задано &quot;%1&quot;</source>
        <translation>--unit: a whole number from 0 to 255 needed, given &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--mqtt: нужен УЗЕЛ:ПОРТ, порт от 1 до 65535, задано &quot;%1&quot;</source>
        <translation>--mqtt: HOST:PORT needed, port 1 to 65535, given &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--mqtt-prefix: уровни темы через /, без + и #, задано &quot;%1&quot;</source>
        <translation>--mqtt-prefix: topic levels separated by /, without + and #, given &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--site: одно слово без /, + и #, задано &quot;%1&quot;</source>
        <translation>--site: one word without /, + and #, given &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--%1: файл %2 не читается</source>
        <translation>--%1: file %2 cannot be read</translation>
    </message>
    <message>
        <source>--mqtt-user: пустое имя</source>
        <translation>--mqtt-user: empty name</translation>
    </message>
    <message>
        <source>нужен хотя бы один выход: --modbus-tcp [АДРЕС:]ПОРТ или --mqtt УЗЕЛ:ПОРТ</source>
        <translation>at least one output needed: --modbus-tcp [ADDRESS:]PORT or --mqtt HOST:PORT</translation>
    </message>
    <message>
        <source>--unit без --modbus-tcp</source>
        <translation>--unit without --modbus-tcp</translation>
    </message>
    <message>
        <source>--%1 без --mqtt</source>
        <translation>--%1 without --mqtt</translation>
    </message>
    <message>
        <source>пароль MQTT без --mqtt-user</source>
        <translation>an MQTT password without --mqtt-user</translation>
    </message>
    <message>
        <source>--mqtt-password-file: файл %1 не читается</source>
        <translation>--mqtt-password-file: file %1 cannot be read</translation>
    </message>
    <message>
        <source>%1: не открывается: %2</source>
        <translation>%1: cannot be opened: %2</translation>
    </message>
    <message>
        <source>%1: файл больше %2 КиБ</source>
        <translation>%1: file larger than %2 KiB</translation>
    </message>
    <message>
        <source>нужно КЛЮЧ = ЗНАЧЕНИЕ</source>
        <translation>KEY = VALUE needed</translation>
    </message>
    <message>
        <source>неизвестный ключ &quot;%1&quot;</source>
        <translation>unknown key &quot;%1&quot;</translation>
    </message>
    <message>
        <source>ключ %1 уже задан в строке %2</source>
        <translation>key %1 already set on line %2</translation>
    </message>
    <message>
        <source>у ключа %1 нет значения</source>
        <translation>key %1 has no value</translation>
    </message>
    <message>
        <source>%1: ни одной настройки</source>
        <translation>%1: no settings at all</translation>
    </message>
    <message>
        <source>MQTT: связь с брокером %1:%2</source>
        <translation>MQTT: connected to broker %1:%2</translation>
    </message>
    <message>
        <source>MQTT: брокер %1 отказал в подключении: %2; повтор с нарастающей паузой</source>
        <translation>MQTT: broker %1 refused the connection: %2; trying again with a growing pause</translation>
    </message>
    <message>
        <source>MQTT: брокер %1 принял соединение, но не подтвердил подключение за %2 с; повтор с нарастающей паузой</source>
        <translation>MQTT: broker %1 accepted the connection but did not acknowledge it within %2 s; trying again with a growing pause</translation>
    </message>
    <message>
        <source>MQTT: связь с брокером %1 потеряна: %2; сообщения ждут, по последнему на считыватель</source>
        <translation>MQTT: connection to broker %1 lost: %2; messages wait, the newest of each reader</translation>
    </message>
    <message>
        <source>MQTT: брокер %1 недоступен: %2; повтор с нарастающей паузой</source>
        <translation>MQTT: broker %1 unavailable: %2; trying again with a growing pause</translation>
    </message>
    <message>
        <source>больше %1 соединений одновременно</source>
        <translation>more than %1 connections at a time</translation>
    </message>
    <message>
        <source>соединение молчит дольше %1 с</source>
        <translation>the connection has been silent for more than %1 s</translation>
    </message>
    <message>
        <source>заголовок не Modbus TCP (протокол %1)</source>
        <translation>not a Modbus TCP header (protocol %1)</translation>
    </message>
    <message>
        <source>длина запроса %1 вне 2..254</source>
        <translation>request length %1 outside 2..254</translation>
    </message>
</context>
</TS>
